#include "ResultsPage.h"

namespace {

// The page's head and body; the script follows it.
const char PageHead[] = R"html(<!DOCTYPE html>
<html lang="cs">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<link rel="icon" href="data:,">
<title>Výsledky</title>
<style>
body { margin: 0; font-family: system-ui, sans-serif; background: #fff; color: #111; }
header { position: sticky; top: 0; background: #0b3d91; color: #fff; padding: .5em .8em; }
#caption { font-size: 1.3em; font-weight: bold; margin: 0; overflow-wrap: anywhere; }
#running { font-size: 2.2em; font-variant-numeric: tabular-nums; font-weight: bold; }
#status { font-size: .85em; opacity: .85; min-height: 1.2em; }
table { border-collapse: collapse; width: 100%; font-variant-numeric: tabular-nums; }
th, td { padding: .35em .5em; text-align: left; border-bottom: 1px solid #ddd; overflow-wrap: anywhere; }
th { background: #eef; position: sticky; top: 0; }
.n { text-align: right; white-space: nowrap; }
tr:nth-child(even) td { background: #f6f6fa; }
nav { display: flex; flex-wrap: wrap; gap: .3em; padding: .4em .8em; border-bottom: 1px solid #ddd; }
nav:empty { display: none; }
nav a { padding: .2em .6em; border: 1px solid #0b3d91; border-radius: 1em; color: #0b3d91;
        text-decoration: none; overflow-wrap: anywhere; }
nav a[aria-current] { background: #0b3d91; color: #fff; }
@media (max-width: 600px) {
  .wide { display: none; }
  #running { font-size: 1.8em; }
  th, td { padding: .3em .3em; }
}
@media (min-width: 1400px) { body { font-size: 1.4em; } }
</style>
</head>
<body>
<header>
<h1 id="caption">Výsledky</h1>
<div id="running"></div>
<div id="finish"></div>
<div id="status">Načítám…</div>
</header>
<nav id="categories" aria-label="Kategorie"></nav>
<table>
<thead><tr><th class="n" data-key="rank">Pořadí</th><th data-key="racer">Závodník</th><th class="n" data-key="laps">Kolo</th><th class="n" data-key="time">Čas vč. trestu</th><th class="n wide" data-key="penalty">Trest</th><th class="wide" data-key="note">Poznámka</th></tr></thead>
<tbody id="rows"></tbody>
</table>
<script>
)html";

const char PageFoot[] = R"html(</script>
</body>
</html>
)html";

// One script for two pages.  The page on the local network is live: it loads
// results.json, then follows the event stream and ticks the running time.  A
// page of the published site (its body carries data-refresh, the seconds
// between reads) was written with its rows already in it and reads
// results.json again now and then, as a static host has no stream.  Both
// render the same JSON into their table by the same code: the table's head
// says which value each column shows (th data-key), and each cell takes its
// column head's class.  Rows are built with textContent only: a racer's name
// never becomes markup.
const char Script[] = R"js("use strict";
const DAY = 86400000;
const page = document.body.dataset;
const live = page.refresh === undefined;
let offset = null;      // PC clock minus this device's clock, in ms
let lastStart = null;   // ms of day of the last race start
let showRunning = false;
// The category shown: a page of the site names its own; on the live page the
// address chooses it (?kategorie=MX1), so that a QR code can point at one.
// None for the whole ranking.
const chosen = ((live ? new URLSearchParams(location.search).get("kategorie") : page.kategorie) || "").trim();
// Letter case and diacritics aside: "zeny" typed on a phone finds "Ženy".
function key(name) {
  return name.trim().normalize("NFD").replace(/[\u0300-\u036f]/g, "").toLocaleLowerCase("cs");
}
function pad(n, w) { return String(n).padStart(w, "0"); }
function timeText(ms) {
  const h = Math.floor(ms / 3600000), m = Math.floor(ms / 60000) % 60;
  const s = Math.floor(ms / 1000) % 60, z = ms % 1000;
  return pad(h, 2) + ":" + pad(m, 2) + ":" + pad(s, 2) + "," + pad(z, 3);
}
function setClock(serverMs) { offset = serverMs - Date.now(); }
function tick() {
  const el = document.getElementById("running");
  if (!el) return;
  if (!showRunning || lastStart === null || offset === null) { el.textContent = ""; return; }
  let run = Math.floor(Date.now() + offset) % DAY - lastStart;
  if (run < 0) run += DAY;  // the race started before midnight
  el.textContent = timeText(run);
}
function status(text) { document.getElementById("status").textContent = text; }
// The rows of results.json as the stream sends them: [racer, laps, time,
// penalty, note, category index, status code or nothing], and the start.
function streamRows(data) {
  const names = data.categories || [];
  return data.rows.map(r => [r.racer, r.laps, r.time, r.penalty, r.note, names.indexOf(r.category),
                             r.rank === null ? r.status : "", r.start]);
}
// What a cell of column `key` shows for row r; rank is the position in the
// ranking shown, categoryRank the position among the category's rows.
function cellText(key, r, rank, categoryRank) {
  switch (key) {
    case "rank": return r[6] || rank + ".";
    case "categoryRank": return r[6] || categoryRank + ".";
    case "racer": return r[0];
    case "laps": return String(r[1]);
    case "time": return r[2].trim();
    case "penalty": return String(r[3]);
    case "note": return r[4].trim();
    case "start": return (r[7] || "").trim();
  }
  return "";
}
// Links to the whole ranking and to each category, the shown one marked.
function showCategories(names) {
  const nav = document.createElement("nav");
  nav.id = "categories";
  nav.setAttribute("aria-label", "Kategorie");
  const link = (text, href, current) => {
    const a = document.createElement("a");
    a.textContent = text;
    a.href = href;
    if (current) a.setAttribute("aria-current", "page");
    nav.appendChild(a);
  };
  if (names.length > 0 || chosen) {
    link("Všechny", "./", !chosen);
    for (const name of names) {
      const current = chosen !== "" && key(name) === key(chosen);
      link(name, "?kategorie=" + encodeURIComponent(name), current);
    }
  }
  document.getElementById("categories").replaceWith(nav);
}
// How far a category's race is: "Zbývají 3 kola", "Poslední kolo", "Cíl";
// empty without a rule, or before a time rule ends it.
function finishText(f) {
  if (!f) return "";
  if (f.moment !== null) return "Cíl";
  if (f.lapsToGo === 1) return "Poslední kolo";
  if (f.lapsToGo > 1) return (f.lapsToGo <= 4 ? "Zbývají " : "Zbývá ") + f.lapsToGo + (f.lapsToGo <= 4 ? " kola" : " kol");
  return "";
}
function showFinish(data, index) {
  const names = data.categories || [];
  const finish = data.finish || [];
  const ends = names.map((name, i) => [name, finishText(finish[i])]).filter(e => e[1]);
  const el = document.getElementById("finish");
  if (el) el.textContent = chosen
    ? finishText(finish[index])
    : ends.map(e => e[0] + ": " + e[1]).join(" · ");
}
// The ranking into the table: every row, or the chosen category's ranked
// within it, in the same order.  A row with a status (DNF, DSQ, DNS) comes
// last and shows its code instead of a rank.
function showRows(data) {
  const names = data.categories || [];
  const index = chosen ? names.findIndex(name => key(name) === key(chosen)) : -1;
  showFinish(data, index);
  const old = document.getElementById("rows");
  const columns = [...old.closest("table").tHead.rows[0].cells];
  const body = document.createElement("tbody");
  body.id = "rows";
  const counted = [];
  let rank = 0, inCategory = 0;
  for (const r of data.rows) {
    if (!r[6]) {
      ++rank;
      counted[r[5]] = (counted[r[5]] || 0) + 1;
    }
    if (chosen && r[5] !== index) continue;
    if (!r[6]) ++inCategory;
    const tr = document.createElement("tr");
    for (const th of columns) {
      const td = document.createElement("td");
      td.textContent = cellText(th.dataset.key, r, chosen ? inCategory : rank, counted[r[5]]);
      if (th.className) td.className = th.className;
      tr.appendChild(td);
    }
    body.appendChild(tr);
  }
  // A category the results do not know is said so, not shown as an empty table.
  if (chosen && index < 0) {
    const tr = document.createElement("tr");
    const td = document.createElement("td");
    const known = names.length > 0 ? " Kategorie: " + names.join(", ") + "." : "";
    td.textContent = "Kategorie „" + chosen + "“ neexistuje." + known;
    td.className = "missing";
    td.colSpan = columns.length;
    tr.appendChild(td);
    body.appendChild(tr);
  }
  old.replaceWith(body);
  page.version = String(data.version);
  return index >= 0 ? names[index] : chosen;
}
function show(data) {
  const shownName = showRows(data);
  document.getElementById("caption").textContent = data.caption + (chosen ? " – " + shownName : "");
  document.title = data.caption + (chosen ? " – " + shownName : "") + " – výsledky";
  showCategories(data.categories || []);
  lastStart = data.lastStartMs;
  showRunning = data.showRunningTime;
  tick();
}
function readResults() {
  return fetch("results.json", {cache: "no-cache"}).then(r => r.ok ? r.json() : Promise.reject(r.status));
}
let retry = null;
function follow() {
  const source = new EventSource("events");
  source.addEventListener("results", e => { show(JSON.parse(e.data)); status("Živě"); });
  source.addEventListener("clock", e => { setClock(Number(e.data)); });
  source.onerror = () => {
    status("Spojení přerušeno, připojuji znovu…");
    if (source.readyState === EventSource.CLOSED && retry === null) {
      retry = setTimeout(() => { retry = null; follow(); }, 5000);
    }
  };
}
function updatedText(data) { return "Aktualizováno " + timeText(data.serverTimeMs).slice(0, 8); }
// The site's page came with its rows; it renders results.json only when the
// results have changed since.
function reread() {
  readResults()
    .then(data => {
      if (String(data.version) !== page.version) showRows(Object.assign(data, {rows: streamRows(data)}));
      status(updatedText(data));
    })
    .catch(() => status(document.getElementById("status").textContent.replace(/ –.*/, "")
                        + " – novější výsledky se nepodařilo načíst"))
    .finally(() => setTimeout(reread, Number(page.refresh) * 1000));
}
if (live) {
  readResults()
    .then(data => { setClock(data.serverTimeMs); data.rows = streamRows(data); show(data); })
    .catch(() => status("Výsledky zatím nejsou k dispozici."))
    .finally(follow);
  setInterval(tick, 100);
} else {
  setTimeout(reread, Number(page.refresh) * 1000);
}
)js";

}  // namespace

QByteArray ResultsPageHtml()
{
    static const QByteArray page = QByteArray(PageHead) + QByteArray(Script) + QByteArray(PageFoot);
    return page;
}

QByteArray ResultsPageScript()
{
    return QByteArray::fromRawData(Script, sizeof Script - 1);
}
