#include "tfile.h"

#include "AtomicFile.h"
#include "Cp1250.h"
#include "Dialogs.h"
#include "RacerDirectory.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

const QString FileErrorPrefix = QStringLiteral("Nemohu zapsat soubor dat: ");

QString SystemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// ---------------------------------------------------------------------------
// Temporary folder

// A folder is usable when it is there or can be made.  Returns 0 or the errno.
int PrepareFolder(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0)
        return 0;
    const int error = errno;
    if (error == EEXIST && QFileInfo(path).isDir())
        return 0;
    return error == EEXIST ? ENOTDIR : error;
}

// The candidates, best first: the folder the environment names, the one Qt
// names (the same unless TMPDIR is unset), then the usual system folders.
QStringList TempFolderCandidates()
{
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("TMPDIR");
    if (!fromEnvironment.isEmpty())
        candidates << fromEnvironment;
    candidates << QDir::tempPath() << QStringLiteral("/tmp") << QStringLiteral("/var/tmp");
    for (QString &c : candidates)
        c = QDir::cleanPath(c);
    candidates.removeDuplicates();
    return candidates;
}

// Tries to make "~<hex>.tmp" in folder; the exclusive create makes the name
// ours alone.  Returns 0 and sets path, or the errno of the failure.
int CreateTempFileIn(const QString &folder, QString &path)
{
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        const quint32 number = QRandomGenerator::global()->generate();
        const QString candidate = folder + QStringLiteral("/~")
                                  + QString::number(number, 16).toUpper() + QStringLiteral(".tmp");
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            path = candidate;
            return 0;
        }
        error = errno;
    }
    return error;
}

// ---------------------------------------------------------------------------
// Data file lines

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

// Parses the whole text of a data file into new records.
std::vector<TRadekPtr> ParseDataFile(QStringView text, int32_t &maxLap)
{
    std::vector<TRadekPtr> records;
    std::vector<QStringView> fields;
    std::deque<QString> unquoted;
    maxLap = 0;
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n) {
        // A line ends at CR LF, LF or CR; a last line without an end counts.
        qsizetype end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = text.mid(start, end - start);
        if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n')
            start = end + 2;
        else
            start = end + 1;

        SplitFields(line, fields, unquoted);
        if (fields.size() < 2)
            continue;
        if (fields.size() < 4 || TrimmedBlanks(fields[2]).isEmpty())
            continue;  // no time: the record is discarded
        auto record = std::make_shared<TRadek>();
        record->Number = ReadIntField(fields[0], 999);
        record->Time = TextToDayTime(fields[2]);
        record->Lap = ReadIntField(fields[3], 0);
        record->Penalty = fields.size() >= 6 ? ReadIntField(fields[5], 0) : 0;
        maxLap = std::max(maxLap, record->Lap);
        records.push_back(std::move(record));
    }
    return records;
}

// The racer label as it goes into the data file.  Field 2 is never read back,
// but a double quote or a line break inside it would shift or cut the line and
// lose the record's time at the next load, so they are replaced.
QString LabelForDataFile(QString label)
{
    for (QChar &c : label) {
        if (c == u'"')
            c = u'\'';
        else if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    return label;
}

// ---------------------------------------------------------------------------
// Writing files

// XML 1.0 cannot carry most control characters, not even escaped; a racer name
// pasted with one must not make the whole results file unreadable.
QString XmlSafe(QString text)
{
    auto forbidden = [](char16_t c) {
        return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (forbidden(c)) {
            text[i] = u'?';
        } else if (QChar::isHighSurrogate(c)) {
            if (i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode()))
                ++i;
            else
                text[i] = u'?';
        } else if (QChar::isLowSurrogate(c)) {
            text[i] = u'?';
        }
    }
    return text;
}

// The XML writer of Qt spells the encoding in capitals; the files carry it in
// lower case.
const char XmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

}  // namespace

int CompareRecordTimes(const TRadek &a, const TRadek &b)
{
    // Whole-millisecond times are exact apart from floating noise far below a
    // microsecond, so 1 ms apart must order even when the difference falls a
    // hair short of 1/86400000.
    const double differenceMs = (a.Time - b.Time) * MillisecondsPerDay;
    if (std::fabs(differenceMs) < 1.0 - 1e-5)
        return 0;
    return differenceMs < 0 ? -1 : 1;
}

QString NewTempFileName()
{
    int lastError = ENOENT;
    for (const QString &folder : TempFolderCandidates()) {
        lastError = PrepareFolder(folder);
        if (lastError != 0)
            continue;
        QString path;
        lastError = CreateTempFileIn(folder, path);
        if (lastError == 0)
            return path;
    }
    throw TikomatError(SystemMessage(lastError));
}

QString ResultsFileName(const QString &dataFileName)
{
    const qsizetype slash = dataFileName.lastIndexOf(u'/');
    const qsizetype dot = dataFileName.lastIndexOf(u'.');
    const QString base = dot > slash ? dataFileName.left(dot) : dataFileName;
    const QString results = base + QStringLiteral(".results");
    // A data file that itself ends in ".results" must not be overwritten by
    // its own results file.
    return results == dataFileName ? dataFileName + QStringLiteral(".results") : results;
}

TData::TData(Dialogs *dialogs, RacerDirectory *racers)
    : FileName(NewTempFileName()), m_dialogs(dialogs), m_racers(racers)
{
}

void TData::SortByTime()
{
    // Exact times give a strict weak order, which the library sort needs; the
    // one-millisecond tolerance of CompareRecordTimes does not (it is not
    // transitive).  Records closer than a millisecond may lie in either order,
    // and this is one of the permitted ones; stable keeps equal times as added.
    const auto earlier = [](const TRadekPtr &a, const TRadekPtr &b) { return a->Time < b->Time; };
    // Every save and every refresh sorts; most of the time nothing has moved.
    if (!std::is_sorted(Records.begin(), Records.end(), earlier))
        std::stable_sort(Records.begin(), Records.end(), earlier);
}

void TData::NewFile()
{
    Records.clear();
    MaxLap = 0;
    FileName = NewTempFileName();
    Unnamed = true;
}

bool TData::Save()
{
    MaxLap = 0;
    SortByTime();

    // Laps first: they change in memory even when the files cannot be written.
    std::unordered_map<int32_t, int32_t> counters;
    counters.reserve(Records.size());
    for (const TRadekPtr &record : Records) {
        record->Lap = ++counters[record->Number];
        MaxLap = std::max(MaxLap, record->Lap);
    }

    try {
        QString text;
        text.reserve(qsizetype(Records.size()) * 64);
        for (const TRadekPtr &record : Records) {
            text += u'"';
            text += QString::number(record->Number);
            text += u"\",\"";
            if (m_racers)
                text += LabelForDataFile(m_racers->RacerLabel(record->Number));
            text += u"\",\"";
            text += DayTimeToText(record->Time);
            text += u"\",\"";
            text += QString::number(record->Lap);
            text += u"\",\"";
            text += DayTimeToText(record->NetTime);
            text += u"\",\"";
            text += QString::number(record->Penalty);
            text += u"\"\r\n";
        }
        WriteFileAtomically(FileName, ToCp1250(text));

        QByteArray xml(XmlDeclaration);
        xml.reserve(qsizetype(Records.size()) * 128 + 4096);
        {
            QBuffer buffer(&xml);
            buffer.open(QIODevice::WriteOnly | QIODevice::Append);
            QXmlStreamWriter writer(&buffer);
            writer.setAutoFormatting(true);
            writer.setAutoFormattingIndent(2);
            writer.writeStartElement(QStringLiteral("XML"));
            writer.writeStartElement(QStringLiteral("kola"));
            for (const TRadekPtr &record : Records) {
                writer.writeEmptyElement(QStringLiteral("kolo"));
                writer.writeAttribute(QStringLiteral("cislo"), QString::number(record->Number));
                writer.writeAttribute(QStringLiteral("kolo"), QString::number(record->Lap));
                writer.writeAttribute(QStringLiteral("cas"), DayTimeToText(record->Time));
                writer.writeAttribute(QStringLiteral("subcas"), DayTimeToText(record->NetTime));
                writer.writeAttribute(QStringLiteral("jmeno"),
                                      m_racers ? XmlSafe(m_racers->RacerName(record->Number)) : QString());
                writer.writeAttribute(QStringLiteral("kategorie"),
                                      m_racers ? XmlSafe(m_racers->RacerCategory(record->Number)) : QString());
            }
            writer.writeEndElement();  // kola
            writer.writeStartElement(QStringLiteral("racerlist"));
            if (m_racers) {
                for (const RacerRow &row : m_racers->Rows()) {
                    writer.writeEmptyElement(QStringLiteral("racer"));
                    if (row.number)
                        writer.writeAttribute(QStringLiteral("cislo"), QString::number(*row.number));
                    // A cleared field counts as missing, as it does for the racer labels.
                    if (row.name && !row.name->isEmpty())
                        writer.writeAttribute(QStringLiteral("jmeno"), XmlSafe(*row.name));
                    if (row.category && !row.category->isEmpty())
                        writer.writeAttribute(QStringLiteral("kategorie"), XmlSafe(*row.category));
                }
            }
            writer.writeEndElement();  // racerlist
            writer.writeEndElement();  // XML
            writer.writeEndDocument();
            if (writer.hasError())
                throw TikomatError(buffer.errorString());
        }
        WriteFileAtomically(ResultsFileName(FileName), xml);
    } catch (const TikomatError &error) {
        if (m_dialogs)
            m_dialogs->message(FileErrorPrefix + error.text);
        return false;
    }
    return true;
}

bool TData::Load(const QString &path)
{
    try {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw TikomatError(file.errorString());
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw TikomatError(file.errorString());

        // Everything is read and parsed aside; only a complete file replaces
        // the records.
        int32_t maxLap = 0;
        std::vector<TRadekPtr> records = ParseDataFile(FromCp1250(bytes), maxLap);
        Records.swap(records);
        MaxLap = maxLap;
        FileName = path;
    } catch (const TikomatError &error) {
        if (m_dialogs)
            m_dialogs->message(FileErrorPrefix + error.text);
        return false;
    }
    return true;
}

bool TData::SaveAs(const QString &path)
{
    FileName = path;
    return Save();
}

bool TData::Contains(const TRadek *record) const
{
    return std::any_of(Records.begin(), Records.end(),
                       [record](const TRadekPtr &r) { return r.get() == record; });
}

bool TData::Remove(const TRadek *record)
{
    const auto it = std::find_if(Records.begin(), Records.end(),
                                 [record](const TRadekPtr &r) { return r.get() == record; });
    if (it == Records.end())
        return false;
    Records.erase(it);
    return true;
}
