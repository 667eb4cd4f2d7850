#include "ResultsPage.h"

namespace {

// Rows are built with textContent only: a racer's name never becomes markup.
const char PageHtml[] = R"html(<!DOCTYPE html>
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
<div id="status">Načítám…</div>
</header>
<nav id="categories" aria-label="Kategorie"></nav>
<table>
<thead><tr><th class="n">Pořadí</th><th>Závodník</th><th class="n">Kolo</th><th class="n">Čas vč. trestu</th><th class="n wide">Trest</th><th class="wide">Poznámka</th></tr></thead>
<tbody id="rows"></tbody>
</table>
<script>
"use strict";
const DAY = 86400000;
let offset = null;      // PC clock minus this device's clock, in ms
let lastStart = null;   // ms of day of the last race start
let showRunning = false;
// The category chosen in the address (?kategorie=MX1), so that a QR code can
// point at one; none for the whole ranking.
const chosen = (new URLSearchParams(location.search).get("kategorie") || "").trim();
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
  if (!showRunning || lastStart === null || offset === null) { el.textContent = ""; return; }
  let run = Math.floor(Date.now() + offset) % DAY - lastStart;
  if (run < 0) run += DAY;  // the race started before midnight
  el.textContent = timeText(run);
}
function cell(tr, text, cls) {
  const td = document.createElement("td");
  td.textContent = text;
  if (cls) td.className = cls;
  tr.appendChild(td);
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
function show(data) {
  const names = data.categories || [];
  const index = chosen ? names.findIndex(name => key(name) === key(chosen)) : -1;
  const shownName = index >= 0 ? names[index] : chosen;
  document.getElementById("caption").textContent = data.caption + (chosen ? " – " + shownName : "");
  document.title = data.caption + (chosen ? " – " + shownName : "") + " – výsledky";
  showCategories(names);
  lastStart = data.lastStartMs;
  showRunning = data.showRunningTime;
  const body = document.createElement("tbody");
  body.id = "rows";
  // Rows of the stream: [racer, laps, time, penalty, note, category], in rank
  // order.  A category shows its rows ranked within it, in the same order.
  let rank = 0;
  for (const r of data.rows) {
    ++rank;
    if (chosen && r[5] !== index) continue;
    const tr = document.createElement("tr");
    cell(tr, (chosen ? body.rows.length + 1 : rank) + ".", "n");
    cell(tr, r[0]);
    cell(tr, String(r[1]), "n");
    cell(tr, r[2], "n");
    cell(tr, String(r[3]), "n wide");
    cell(tr, r[4], "wide");
    body.appendChild(tr);
  }
  // A category the results do not know is said so, not shown as an empty table.
  if (chosen && index < 0) {
    const tr = document.createElement("tr");
    const known = names.length > 0 ? " Kategorie: " + names.join(", ") + "." : "";
    cell(tr, "Kategorie „" + chosen + "“ neexistuje." + known, "missing");
    tr.cells[0].colSpan = 6;
    body.appendChild(tr);
  }
  document.getElementById("rows").replaceWith(body);
  document.body.dataset.version = String(data.version);
  tick();
}
function status(text) { document.getElementById("status").textContent = text; }
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
fetch("results.json", {cache: "no-store"})
  .then(r => r.ok ? r.json() : Promise.reject(r.status))
  .then(data => {
    setClock(data.serverTimeMs);
    const names = data.categories || [];
    data.rows = data.rows.map(r => [r.racer, r.laps, r.time, r.penalty, r.note, names.indexOf(r.category)]);
    show(data);
  })
  .catch(() => status("Výsledky zatím nejsou k dispozici."))
  .finally(follow);
setInterval(tick, 100);
</script>
</body>
</html>
)html";

}  // namespace

QByteArray ResultsPageHtml()
{
    return QByteArray::fromRawData(PageHtml, sizeof PageHtml - 1);
}
