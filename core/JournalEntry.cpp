#include "JournalEntry.h"

#include "DataFileReader.h"

#include <QList>
#include <zlib.h>

namespace {

// Tabs and line ends inside a caption must not split the line.
QByteArray Escaped(const QString &text)
{
    QByteArray out;
    const QByteArray utf8 = text.toUtf8();
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::optional<QString> Unescaped(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= field.size())
            return std::nullopt;
        switch (field[i]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return std::nullopt;
        }
    }
    return QString::fromUtf8(out);
}

quint32 Crc(QByteArrayView bytes)
{
    return quint32(crc32(0L, reinterpret_cast<const Bytef *>(bytes.data()), uInt(bytes.size())));
}

void AddRecord(QByteArray &line, const JournalRecord &r)
{
    line += '\t' + QByteArray::number(r.number) + '\t' + QByteArray::number(r.time) + '\t'
            + QByteArray::number(r.penalty);
}

// Reads fields[at..at+2] as a record; advances `at`.
bool ReadRecord(const QList<QByteArrayView> &fields, qsizetype &at, JournalRecord &r)
{
    if (at + 3 > fields.size())
        return false;
    bool a = false, b = false, c = false;
    r.number = fields[at].toInt(&a);
    r.time = fields[at + 1].toLongLong(&b);
    r.penalty = fields[at + 2].toInt(&c);
    at += 3;
    // Values no record of the program can hold (a damaged line whose checksum
    // still matches, or one written by hand) are refused, as a data file
    // refuses them: replaying one would put a record no file can keep.
    const bool inRange = r.number >= 0 && r.number <= MaxRecordNumber && r.penalty >= -MaxPenaltySeconds
                         && r.penalty <= MaxPenaltySeconds;
    return a && b && c && inRange;
}

bool ReadList(QByteArrayView field, JournalList &list)
{
    if (field == "S")
        list = JournalList::Start;
    else if (field == "F")
        list = JournalList::Finish;
    else
        return false;
    return true;
}

}  // namespace

QByteArray EncodeJournalLine(const JournalEntry &e)
{
    QByteArray line(1, char(e.kind));
    line += '\t' + QByteArray::number(e.seq);
    const QByteArray list(1, char(e.list));
    switch (e.kind) {
    case JournalKind::Stamp:
    case JournalKind::Filtered: line += '\t' + list + '\t' + QByteArray::number(e.time); break;
    case JournalKind::Row:
        line += '\t' + list + '\t' + QByteArray::number(e.rowId) + '\t' + Escaped(e.caption) + '\t' + Escaped(e.subItem)
                + '\t' + (e.fromModule ? QByteArray::number(e.time) : QByteArray("-"));
        break;
    case JournalKind::RowRemoved: line += '\t' + list + '\t' + QByteArray::number(e.rowId); break;
    case JournalKind::RecordAdded:
    case JournalKind::RecordDeleted:
    case JournalKind::Held: AddRecord(line, e.record); break;
    case JournalKind::RecordEdited:
        AddRecord(line, e.before);
        AddRecord(line, e.record);
        break;
    case JournalKind::Saved:
    case JournalKind::Begin: line += '\t' + QByteArray::number(e.upTo); break;
    case JournalKind::RuleChanged:
        line += '\t' + Escaped(e.category) + '\t' + Escaped(e.itemBefore) + '\t' + Escaped(e.itemAfter);
        break;
    case JournalKind::StatusChanged:
        line += '\t' + QByteArray::number(e.number) + '\t' + Escaped(e.itemBefore) + '\t' + Escaped(e.itemAfter);
        break;
    }
    line += '\t' + QByteArray::number(Crc(line), 16).rightJustified(8, '0') + '\n';
    return line;
}

std::optional<JournalEntry> DecodeJournalLine(QByteArrayView line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    const qsizetype tab = line.lastIndexOf('\t');
    if (tab < 1 || line.size() - tab - 1 != 8)
        return std::nullopt;
    bool ok = false;
    const quint32 crc = line.sliced(tab + 1).toUInt(&ok, 16);
    const QByteArrayView payload = line.first(tab);
    if (!ok || crc != Crc(payload))
        return std::nullopt;

    QList<QByteArrayView> fields;
    for (qsizetype from = 0;;) {
        const qsizetype to = payload.indexOf('\t', from);
        fields.push_back(payload.sliced(from, (to < 0 ? payload.size() : to) - from));
        if (to < 0)
            break;
        from = to + 1;
    }
    JournalEntry e;
    if (fields.front().size() != 1)
        return std::nullopt;
    e.kind = JournalKind(fields.front()[0]);
    if (fields.size() < 2)
        return std::nullopt;
    e.seq = fields[1].toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    fields.removeAt(1);
    qsizetype at = 1;
    auto expect = [&fields](qsizetype count) { return fields.size() == count; };
    switch (e.kind) {
    case JournalKind::Stamp:
    case JournalKind::Filtered:
        if (!expect(3) || !ReadList(fields[1], e.list))
            return std::nullopt;
        e.time = fields[2].toLongLong(&ok);
        return ok ? std::optional(e) : std::nullopt;
    case JournalKind::Row: {
        if (!expect(6) || !ReadList(fields[1], e.list))
            return std::nullopt;
        e.rowId = fields[2].toULongLong(&ok);
        const std::optional<QString> caption = Unescaped(fields[3]);
        const std::optional<QString> subItem = Unescaped(fields[4]);
        if (!ok || !caption || !subItem)
            return std::nullopt;
        e.caption = *caption;
        e.subItem = *subItem;
        e.fromModule = fields[5] != "-";
        if (e.fromModule) {
            e.time = fields[5].toLongLong(&ok);
            if (!ok)
                return std::nullopt;
        }
        return e;
    }
    case JournalKind::RowRemoved:
        if (!expect(3) || !ReadList(fields[1], e.list))
            return std::nullopt;
        e.rowId = fields[2].toULongLong(&ok);
        return ok ? std::optional(e) : std::nullopt;
    case JournalKind::RecordAdded:
    case JournalKind::RecordDeleted:
    case JournalKind::Held:
        if (!expect(4) || !ReadRecord(fields, at, e.record))
            return std::nullopt;
        return e;
    case JournalKind::RecordEdited:
        if (!expect(7) || !ReadRecord(fields, at, e.before) || !ReadRecord(fields, at, e.record))
            return std::nullopt;
        return e;
    case JournalKind::Saved:
    case JournalKind::Begin:
        if (!expect(2))
            return std::nullopt;
        e.upTo = fields[1].toULongLong(&ok);
        return ok ? std::optional(e) : std::nullopt;
    case JournalKind::RuleChanged:
    case JournalKind::StatusChanged: {
        if (!expect(4))
            return std::nullopt;
        if (e.kind == JournalKind::RuleChanged) {
            const std::optional<QString> category = Unescaped(fields[1]);
            if (!category)
                return std::nullopt;
            e.category = *category;
        } else {
            e.number = fields[1].toInt(&ok);
            if (!ok)
                return std::nullopt;
        }
        const std::optional<QString> before = Unescaped(fields[2]);
        const std::optional<QString> after = Unescaped(fields[3]);
        if (!before || !after)
            return std::nullopt;
        e.itemBefore = *before;
        e.itemAfter = *after;
        return e;
    }
    }
    return std::nullopt;
}
