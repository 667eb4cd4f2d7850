#include "RaceSheetFile.h"

#include "AtomicFile.h"
#include "Category.h"
#include "JsonString.h"
#include "TikomatError.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cerrno>
#include <cmath>
#include <set>

namespace {

using namespace Qt::Literals::StringLiterals;

[[noreturn]] void Refuse(const QString &reason)
{
    throw TikomatError(reason);
}

// Where a parse error lies, as a person counts lines and columns.
QString Position(const QByteArray &json, int offset)
{
    const QString before = QString::fromUtf8(json.first(std::clamp<qsizetype>(offset, 0, json.size())));
    const qsizetype lineStart = before.lastIndexOf(u'\n') + 1;
    return u"na řádku %1, ve sloupci %2"_s.arg(before.count(u'\n') + 1).arg(before.size() - lineStart + 1);
}

void OnlyKeys(const QJsonObject &object, const QStringList &known, const QString &where)
{
    for (const QString &key : object.keys()) {
        if (!known.contains(key))
            Refuse(where + u"neznámý klíč „%1“"_s.arg(key));
    }
}

// A JSON number that is a whole number from `low` to `high`.
std::optional<int32_t> WholeNumber(const QJsonValue &value, int32_t low, int32_t high)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (std::floor(d) != d || d < low || d > high)
        return std::nullopt;
    return int32_t(d);
}

// How a value is quoted in a message: texts in Czech quotes, the rest as JSON.
QString Shown(const QJsonValue &value)
{
    if (value.isString())
        return u"„"_s + value.toString().left(40) + u"“"_s;
    const QJsonArray wrapped{value};
    QByteArray text = QJsonDocument(wrapped).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2)).left(40);
}

// hh:mm:ss,zzz, every field in its range.
std::optional<DayTime> TimeOfDay(const QString &text)
{
    static const QRegularExpression form(u"^([01][0-9]|2[0-3]):([0-5][0-9]):([0-5][0-9]),([0-9]{3})$"_s);
    if (!form.match(text).hasMatch())
        return std::nullopt;
    return TextToDayTime(text);
}

FinishRule ReadRule(const QJsonObject &entry, const QString &where)
{
    const bool laps = entry.contains(u"laps"_s), minutes = entry.contains(u"minutes"_s), at = entry.contains(u"at"_s);
    if (int(laps) + int(minutes) + int(at) != 1)
        Refuse(where + u"potřebuje právě jedno z „laps“, „minutes“, „at“"_s);
    if (laps) {
        const std::optional<int32_t> n = WholeNumber(entry[u"laps"_s], 1, MaxFinishLaps);
        if (!n)
            Refuse(where
                   + u"„laps“ musí být celé číslo od 1 do %1, ne %2"_s.arg(MaxFinishLaps).arg(Shown(entry[u"laps"_s])));
        return FinishRule::Laps(*n);
    }
    if (minutes) {
        const std::optional<int32_t> n = WholeNumber(entry[u"minutes"_s], 1, MaxFinishMinutes);
        if (!n)
            Refuse(where
                   + u"„minutes“ musí být celé číslo od 1 do %1, ne %2"_s.arg(MaxFinishMinutes)
                         .arg(Shown(entry[u"minutes"_s])));
        return FinishRule::Minutes(*n);
    }
    const QJsonValue value = entry[u"at"_s];
    const std::optional<DayTime> time = value.isString() ? TimeOfDay(value.toString()) : std::nullopt;
    if (!time)
        Refuse(where + u"„at“ musí být čas dne ve tvaru hh:mm:ss,zzz, ne %1"_s.arg(Shown(value)));
    return FinishRule::At(*time);
}

void ReadRules(const QJsonValue &value, RaceSheet &sheet)
{
    if (!value.isArray())
        Refuse(u"„finish“ musí být seznam"_s);
    std::set<QString> seen;
    int index = 0;
    for (const QJsonValue &item : value.toArray()) {
        const QString where = u"pravidlo č. %1: "_s.arg(++index);
        if (!item.isObject())
            Refuse(where + u"není objekt"_s);
        const QJsonObject entry = item.toObject();
        OnlyKeys(entry, {u"category"_s, u"laps"_s, u"minutes"_s, u"at"_s}, where);
        if (!entry[u"category"_s].isString())
            Refuse(where + u"chybí „category“ (text, \"\" pro ostatní kategorie)"_s);
        const QString category = entry[u"category"_s].toString();
        if (!seen.insert(CategoryKey(category)).second)
            Refuse(where + u"kategorie „%1“ už pravidlo má"_s.arg(category));
        sheet.setRule(category, ReadRule(entry, where));
    }
}

void ReadStatuses(const QJsonValue &value, RaceSheet &sheet)
{
    if (!value.isArray())
        Refuse(u"„statuses“ musí být seznam"_s);
    int index = 0;
    for (const QJsonValue &item : value.toArray()) {
        const QString where = u"stav č. %1: "_s.arg(++index);
        if (!item.isObject())
            Refuse(where + u"není objekt"_s);
        const QJsonObject entry = item.toObject();
        OnlyKeys(entry, {u"number"_s, u"status"_s, u"reason"_s}, where);
        const std::optional<int32_t> number = WholeNumber(entry[u"number"_s], 0, MaxStatusNumber);
        if (!number)
            Refuse(where
                   + u"„number“ musí být startovní číslo od 0 do %1, ne %2"_s.arg(MaxStatusNumber)
                         .arg(Shown(entry[u"number"_s])));
        const QJsonValue code = entry[u"status"_s];
        const std::optional<RacerStatus> status = code.isString() ? StatusOfCode(code.toString()) : std::nullopt;
        if (!status)
            Refuse(where + u"neznámý stav %1 (známé jsou DNF, DSQ a DNS)"_s.arg(Shown(code)));
        StatusEntry mark{*status, QString()};
        if (entry.contains(u"reason"_s)) {
            if (!entry[u"reason"_s].isString())
                Refuse(where + u"„reason“ musí být text"_s);
            mark.reason = entry[u"reason"_s].toString();
            if (mark.reason.size() > MaxStatusReason)
                Refuse(where + u"důvod je delší než %1 znaků"_s.arg(MaxStatusReason));
        }
        if (!sheet.status(*number).none())
            Refuse(where + u"číslo %1 už stav má"_s.arg(*number));
        sheet.setStatus(*number, mark);
    }
}

}  // namespace

QString RaceSheetPath(const QString &dataFile)
{
    return dataFile + u".zavod.json"_s;
}

RaceSheet ParseRaceSheet(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        Refuse(u"chybný zápis JSON "_s + Position(json, error.offset));
    if (!document.isObject())
        Refuse(u"celý soubor musí být jeden objekt JSON"_s);
    const QJsonObject root = document.object();
    OnlyKeys(root, {u"version"_s, u"finish"_s, u"statuses"_s}, QString());
    if (!root.contains(u"version"_s))
        Refuse(u"chybí „version“"_s);
    if (WholeNumber(root[u"version"_s], 1, 1) != 1)
        Refuse(u"neznámá verze %1 (tento program zná verzi 1)"_s.arg(Shown(root[u"version"_s])));
    RaceSheet sheet;
    if (root.contains(u"finish"_s))
        ReadRules(root[u"finish"_s], sheet);
    if (root.contains(u"statuses"_s))
        ReadStatuses(root[u"statuses"_s], sheet);
    return sheet;
}

QByteArray RaceSheetJson(const RaceSheet &sheet)
{
    QByteArray json = "{\n  \"version\": 1,\n  \"finish\": [";
    bool first = true;
    for (const RaceSheet::CategoryRule &r : sheet.rules()) {
        json += first ? "\n    {\"category\": " : ",\n    {\"category\": ";
        first = false;
        AppendJsonString(json, r.category);
        switch (r.rule.kind) {
        case FinishRule::Kind::Laps: json += ", \"laps\": " + QByteArray::number(r.rule.count); break;
        case FinishRule::Kind::Minutes: json += ", \"minutes\": " + QByteArray::number(r.rule.count); break;
        case FinishRule::Kind::At:
            json += ", \"at\": ";
            AppendJsonString(json, DayTimeToText(r.rule.at));
            break;
        case FinishRule::Kind::None: break;
        }
        json += '}';
    }
    json += first ? "],\n  \"statuses\": [" : "\n  ],\n  \"statuses\": [";
    first = true;
    for (const auto &[number, mark] : sheet.statuses()) {
        json += first ? "\n    {\"number\": " : ",\n    {\"number\": ";
        first = false;
        json += QByteArray::number(number) + ", \"status\": ";
        AppendJsonString(json, StatusCode(mark.status));
        if (!mark.reason.isEmpty()) {
            json += ", \"reason\": ";
            AppendJsonString(json, mark.reason);
        }
        json += '}';
    }
    json += first ? "]\n}\n" : "\n  ]\n}\n";
    return json;
}

RaceSheetRead ReadRaceSheetFile(const QString &path)
{
    RaceSheetRead read;
    const QFileInfo info(path);
    if (!info.exists())
        return read;
    read.outcome = RaceSheetRead::Outcome::Unreadable;
    if (!info.isFile()) {
        read.error = u"není to soubor"_s;
        return read;
    }
    if (info.size() > RaceSheetSizeLimit) {
        read.error = u"soubor je příliš velký (%1 bajtů)"_s.arg(info.size());
        return read;
    }
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        read.error = errno ? SystemErrorText(errno) : file.errorString();
        return read;
    }
    read.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        read.error = file.errorString();
        return read;
    }
    try {
        read.sheet = ParseRaceSheet(read.bytes);
    } catch (const TikomatError &e) {
        read.error = e.text;
        return read;
    }
    read.outcome = RaceSheetRead::Outcome::Read;
    return read;
}
