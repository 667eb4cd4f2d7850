#include "DataFileReader.h"

#include "Cp1250Codec.h"
#include "QuotedInput.h"
#include "TikomatError.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <deque>
#include <vector>

namespace {

// Large enough that a slice costs little more than its reading, small enough
// that a cancel is felt at once and the progress moves in small steps.
constexpr qint64 SliceSize = qint64(1) << 20;

// Blanks in the sense of the field rules: every control character and the space.
QStringView TrimmedBlanks(QStringView text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && text[from].unicode() <= u' ')
        ++from;
    while (to > from && text[to - 1].unicode() <= u' ')
        --to;
    return text.mid(from, to - from);
}

// Splits one line into its fields.  Commas alone separate; a field that begins
// with a double quote runs to the next quote that is not doubled; text between
// a closing quote and the next comma is a field of its own; a comma at the end
// adds an empty field.  Fields point into the line; only a field with a doubled
// quote is copied (into `unquoted`, whose elements never move).
void SplitFields(QStringView line, std::vector<QStringView> &fields, std::deque<QString> &unquoted)
{
    fields.clear();
    unquoted.clear();
    const qsizetype n = line.size();
    qsizetype pos = 0;
    if (n == 0)
        return;
    for (;;) {
        if (line[pos] == u'"') {
            ++pos;
            qsizetype quote = line.indexOf(u'"', pos);
            if (quote < 0) {  // no closing quote: the field runs to the end
                fields.push_back(line.mid(pos));
                pos = n;
            } else if (quote + 1 < n && line[quote + 1] == u'"') {
                QString field;
                for (;;) {
                    if (quote < 0) {
                        field += line.mid(pos);
                        pos = n;
                        break;
                    }
                    field += line.mid(pos, quote - pos);
                    if (quote + 1 < n && line[quote + 1] == u'"') {
                        field += u'"';
                        pos = quote + 2;
                        quote = line.indexOf(u'"', pos);
                    } else {
                        pos = quote + 1;
                        break;
                    }
                }
                unquoted.push_back(std::move(field));
                fields.push_back(unquoted.back());
            } else {
                fields.push_back(line.mid(pos, quote - pos));
                pos = quote + 1;
            }
        } else {
            qsizetype comma = line.indexOf(u',', pos);
            if (comma < 0)
                comma = n;
            fields.push_back(line.mid(pos, comma - pos));
            pos = comma;
        }
        if (pos >= n)
            return;
        if (line[pos] == u',') {
            ++pos;
            if (pos == n) {  // a comma at the very end: one more, empty field
                fields.push_back(QStringView());
                return;
            }
        }
        // Otherwise text follows a closing quote: it starts the next field.
    }
}

// A time field as this program writes it, "hh:mm:ss,zzz" (or without the
// milliseconds), read where the time text reads its fields.  Anything else
// still loads, as 0 in each unreadable field, but betrays a file that is not
// a data file: one re-saved with other separators, or a results file.
bool IsReadableTime(QStringView field)
{
    const QStringView t = TrimmedBlanks(field);
    auto digits = [t](qsizetype from, qsizetype count) {
        for (qsizetype i = from; i < from + count; ++i) {
            if (i >= t.size() || !t[i].isDigit() || t[i].unicode() > u'9')
                return false;
        }
        return true;
    };
    if (t.size() != 8 && t.size() != 12)
        return false;
    if (!digits(0, 2) || t[2] != u':' || !digits(3, 2) || t[5] != u':' || !digits(6, 2))
        return false;
    if (t[3] > u'5' || t[6] > u'5')
        return false;
    return t.size() == 8 || ((t[8] == u',' || t[8] == u'.') && digits(9, 3));
}

// The field read as an integer the way every integer field is read, when it
// is one within [lowest, highest].
std::optional<int32_t> ReadIntWithin(QStringView field, int32_t lowest, int32_t highest)
{
    // INT_MIN is the fallback of a text that is no integer; it is outside
    // every range asked for here.
    const int value = ReadIntField(field, INT_MIN);
    if (value == INT_MIN || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// A field that may be left blank: blank gives 0.
std::optional<int32_t> ReadOptionalIntWithin(QStringView field, int32_t lowest, int32_t highest)
{
    if (TrimmedBlanks(field).isEmpty())
        return 0;
    return ReadIntWithin(field, lowest, highest);
}

}  // namespace

qint64 MegabytesOf(qint64 size)
{
    constexpr qint64 MB = qint64(1) << 20;
    return (size + MB - 1) / MB;
}

QString DataFileTooLargeText(const QString &path, qint64 size)
{
    return QStringLiteral("Soubor %1 je příliš velký: %2 MB. Datový soubor může mít nejvýše %3 MB, "
                          "tento se proto neotevře.")
        .arg(QuotedInput(QFileInfo(path).fileName()))
        .arg(MegabytesOf(size))
        .arg(MegabytesOf(DataFileSizeLimit));
}

DataFileReader::DataFileReader(const QString &path, qint64 sizeLimit) : m_path(path), m_sizeLimit(sizeLimit) {}

void DataFileReader::run()
{
    m_contents = {};
    m_bytes.clear();
    m_carry.clear();
    m_carryHasNul = false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        m_error = file.errorString();
        m_outcome = Outcome::Failed;
        return;
    }
    m_size = file.size();
    const bool limited = m_sizeLimit > 0;
    if (limited && m_size > m_sizeLimit) {
        m_outcome = Outcome::TooLarge;
        return;
    }
    // Kept bytes are read straight into place; otherwise one slice is reused.
    QByteArray slice;
    if (m_keepBytes)
        m_bytes.reserve(m_size + SliceSize);
    else
        slice.resize(SliceSize);
    qint64 done = 0;
    int shown = 0;
    for (;;) {
        if (cancelRequested()) {
            m_contents = {};
            m_bytes.clear();
            m_outcome = Outcome::Cancelled;
            return;
        }
        char *into = slice.data();
        if (m_keepBytes) {
            m_bytes.resize(done + SliceSize);
            into = m_bytes.data() + done;
        }
        const qint64 n = file.read(into, SliceSize);
        if (m_keepBytes)
            m_bytes.resize(done + std::max<qint64>(n, 0));
        if (n < 0) {
            m_error = file.errorString();
            m_outcome = Outcome::Failed;
            return;
        }
        if (n == 0)
            break;
        done += n;
        // A file that grows while it is read is held to the same limit.
        if (limited && done > m_sizeLimit) {
            m_size = done;
            m_contents = {};
            m_bytes.clear();
            m_outcome = Outcome::TooLarge;
            return;
        }
        ReadSlice(QByteArrayView(into, n));
        const int percent = m_size > 0 ? int(std::min<qint64>(99, done * 100 / m_size)) : 0;
        if (percent > shown) {
            shown = percent;
            emit progressed(percent);
        }
    }
    if (!m_carry.isEmpty() || m_carryHasNul)
        FinishLine({});  // a last line without a line end counts
    m_outcome = Outcome::Read;
    emit progressed(100);
}

void DataFileReader::ReadSlice(QByteArrayView slice)
{
    auto isEnd = [](char c) { return c == '\n' || c == '\r'; };
    qsizetype last = slice.size() - 1;
    while (last >= 0 && !isEnd(slice[last]))
        --last;
    if (last < 0) {
        // The line read so far goes on.  One with a NUL is unreadable
        // whatever follows, so a file of zeros is not held in memory.
        if (m_carryHasNul) {
            return;
        } else if (slice.contains('\0')) {
            m_carryHasNul = true;
            m_carry.clear();
        } else {
            m_carry += slice;
        }
        return;
    }
    qsizetype from = 0;
    if (!m_carry.isEmpty() || m_carryHasNul) {
        while (!isEnd(slice[from]))
            ++from;
        FinishLine(slice.first(from));
    }
    ParseLines(slice.sliced(from, last + 1 - from));
    const QByteArrayView rest = slice.sliced(last + 1);
    if (rest.contains('\0'))
        m_carryHasNul = true;
    else
        m_carry = rest.toByteArray();
}

void DataFileReader::FinishLine(QByteArrayView rest)
{
    if (m_carryHasNul) {
        ++m_contents.lines;
        ++m_contents.unreadable;
    } else {
        m_carry += rest;
        ParseLines(m_carry);
    }
    m_carry.clear();
    m_carryHasNul = false;
}

void DataFileReader::ParseLines(QByteArrayView bytes)
{
    // One fast look for a NUL spares most files the look in every line.
    const bool nulInside = bytes.contains('\0');
    // Decoded into one buffer that every slice reuses.
    m_text.resize(bytes.size());
    cp1250::Decode(bytes.data(), size_t(bytes.size()), reinterpret_cast<char16_t *>(m_text.data()));
    const QStringView text(m_text);
    std::vector<QStringView> fields;
    std::deque<QString> unquoted;
    DataFileContents &out = m_contents;
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n) {
        // A line ends at CR LF, LF or CR.
        qsizetype end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = text.mid(start, end - start);
        if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n')
            start = end + 2;
        else
            start = end + 1;

        if (nulInside && line.contains(QChar(u'\0'))) {
            ++out.lines;
            ++out.unreadable;
            continue;
        }
        if (TrimmedBlanks(line).isEmpty())
            continue;
        ++out.lines;
        SplitFields(line, fields, unquoted);
        if (fields.size() < 4 || TrimmedBlanks(fields[2]).isEmpty()) {
            ++out.unreadable;
            continue;  // no time: the record is discarded
        }
        const std::optional<int32_t> number = ReadIntWithin(fields[0], 0, MaxRecordNumber);
        const std::optional<int32_t> lap = ReadOptionalIntWithin(fields[3], 0, MaxRecordLap);
        const std::optional<int32_t> penalty = fields.size() >= 6 ? ReadOptionalIntWithin(fields[5], -MaxPenaltySeconds,
                                                                                          MaxPenaltySeconds)
                                                                  : 0;
        if (!number || !lap || !penalty) {
            ++out.unreadable;
            continue;
        }
        if (!IsReadableTime(fields[2]))
            ++out.unreadable;
        auto record = std::make_shared<TimeRecord>();
        record->Number = *number;
        record->Time = TextToDayTime(fields[2]);
        record->Lap = *lap;
        record->Penalty = *penalty;
        out.maxLap = std::max(out.maxLap, record->Lap);
        out.records.push_back(std::move(record));
    }
}

DataFileContents ReadDataFile(const QString &path)
{
    DataFileReader reader(path);
    reader.run();
    switch (reader.outcome()) {
    case DataFileReader::Outcome::Read: break;
    case DataFileReader::Outcome::TooLarge: throw TikomatError(DataFileTooLargeText(path, reader.size()));
    default: throw TikomatError(reader.error());
    }
    return std::move(reader.contents());
}
