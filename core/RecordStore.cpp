#include "RecordStore.h"

#include "AtomicFile.h"
#include "Cp1250.h"
#include "DataFileReader.h"
#include "Dialogs.h"
#include "QuotedInput.h"
#include "RacerDirectory.h"
#include "SaveAlarm.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QXmlStreamWriter>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <unordered_map>

namespace {

const QString FileErrorPrefix = QStringLiteral("Nemohu zapsat soubor dat: ");
const QString ForeignFileQuestion = QStringLiteral(
    "Soubor %1 nevypadá jako datový soubor záznamu časů. Řádků bez čitelného času nebo s hodnotou mimo "
    "rozsah: %2 z %3.\n\n"
    "Po otevření by jej první uložení přepsalo; původní obsah zůstane v souboru s příponou .bak.\n\n"
    "Přesto jej otevřít?");
const QString LoadingText = QStringLiteral("Načítám datový soubor %1 (%2 MB)…");

// After a failed save, how often the store tries again by itself.
constexpr int SaveRetryMs = 5000;

// ---------------------------------------------------------------------------
// Data file lines

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

int CompareRecordTimes(const TimeRecord &a, const TimeRecord &b)
{
    return (a.Time > b.Time) - (a.Time < b.Time);
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

QString BackupFileName(const QString &dataFileName)
{
    return dataFileName + QStringLiteral(".bak");
}

RecordStore::RecordStore(Dialogs *dialogs, RacerDirectory *racers)
    : FileName(NewTempFileName()), m_dialogs(dialogs), m_racers(racers), m_tempName(FileName)
{
    IgnoreFileSizeSignal();
    m_alarm = new SaveAlarm(dialogs, this);
    m_retry = new QTimer(this);
    m_retry->setInterval(SaveRetryMs);
    connect(m_retry, &QTimer::timeout, this, [this] {
        if (m_saveFailed)
            Save();
    });
    LockTemporaryFile();
}

RecordStore::~RecordStore()
{
    // A write still under way must not report to a store that is gone.
    if (m_queue)
        m_queue->WaitIdle();
    RemoveUnusedTempFile();
}

void RecordStore::RemoveUnusedTempFile()
{
    // Only the temporary file this store made, and only while it holds
    // nothing: a race that was saved into it is kept for the operator.  An
    // empty one is litter whether the race moved to a chosen name or not.
    if (m_tempName.isEmpty())
        return;
    const QFileInfo info(m_tempName);
    if (info.isFile() && info.size() == 0) {
        QFile::remove(m_tempName);
        QFile::remove(ResultsFileName(m_tempName));
    }
}

void RecordStore::SortByTime()
{
    const auto earlier = [](const TimeRecordPtr &a, const TimeRecordPtr &b) { return a->Time < b->Time; };
    if (std::is_sorted(m_records.begin(), m_records.end(), earlier))
        return;
    std::stable_sort(m_records.begin(), m_records.end(), earlier);
    m_ordered = false;
    m_snapshot.touchAll();
}

int32_t RecordStore::CountLap(int32_t number, int delta)
{
    const auto reached = [this](int32_t laps) -> int32_t & {
        if (std::size_t(laps) >= m_lapsReached.size())
            m_lapsReached.resize(std::size_t(laps) + 1, 0);
        return m_lapsReached[std::size_t(laps)];
    };
    int32_t &count = m_lapCounts[number];
    if (count > 0)
        --reached(count);
    count += delta;
    const int32_t now = count;
    if (now > 0)
        ++reached(now);
    else
        m_lapCounts.erase(number);
    if (now > MaxLap)
        MaxLap = now;
    while (MaxLap > 0 && reached(MaxLap) == 0)
        --MaxLap;
    return now;
}

void RecordStore::Order()
{
    if (m_ordered)
        return;
    SortByTime();
    m_lapCounts.clear();
    m_lapCounts.reserve(m_records.size());
    m_lapsReached.clear();
    MaxLap = 0;
    m_clock = PassageClock();
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        const int32_t lap = CountLap(m_records[i]->Number, +1);
        const DayTime net = m_clock.pass(*m_records[i]);
        if (m_records[i]->Lap != lap || m_records[i]->NetTime != net) {
            TimeRecord &record = Writable(m_records[i]);
            record.Lap = lap;
            record.NetTime = net;
            m_snapshot.touch(i);
        }
    }
    m_ordered = true;
}

std::size_t RecordStore::IndexOf(const TimeRecordPtr &record) const
{
    // Most changes concern a recent record, which lies near the end.
    const auto it = std::find(m_records.rbegin(), m_records.rend(), record);
    return std::size_t(std::distance(m_records.begin(), std::next(it).base()));
}

void RecordStore::ReplaceRecords(std::vector<TimeRecordPtr> records)
{
    m_ordered = false;
    m_snapshot.touchAll();
    m_records = std::move(records);
    m_index.clear();
    m_index.reserve(m_records.size());
    for (const TimeRecordPtr &record : m_records)
        m_index.insert(record.get());
}

bool RecordStore::canApply(const RecordChange &change) const
{
    // Edits are checked in order against the records as the earlier edits
    // of the same change leave them.
    std::unordered_map<const TimeRecord *, std::optional<RecordValues>> pending;
    auto current = [&](const TimeRecordPtr &record) -> std::optional<RecordValues> {
        const auto it = pending.find(record.get());
        if (it != pending.end())
            return it->second;
        if (Contains(record.get()))
            return ValuesOf(*record);
        return std::nullopt;
    };
    for (const RecordEdit &edit : change.edits) {
        if (!edit.record)
            return false;
        const std::optional<RecordValues> now = current(edit.record);
        switch (edit.kind) {
        case RecordEdit::Kind::Added:
            if (now)
                return false;
            pending[edit.record.get()] = edit.after;
            break;
        case RecordEdit::Kind::Edited:
            if (!now || *now != edit.before)
                return false;
            pending[edit.record.get()] = edit.after;
            break;
        case RecordEdit::Kind::Deleted:
            if (!now || *now != edit.before)
                return false;
            pending[edit.record.get()] = std::nullopt;
            break;
        }
    }
    return true;
}

bool RecordStore::apply(const RecordChange &change, bool asked)
{
    if (!canApply(change))
        return false;
    std::vector<JournalEntry> lines = change.journalLines();
    lines.insert(lines.end(), change.alongside.begin(), change.alongside.end());
    // On disk before anything shows it.
    if (m_journal && !lines.empty())
        m_journal->Write(lines);
    for (const RecordEdit &edit : change.edits) {
        TimeRecord &record = Writable(edit.record);
        switch (edit.kind) {
        case RecordEdit::Kind::Added: {
            const bool last = m_records.empty() || m_records.back()->Time <= edit.after.time;
            record.Number = edit.after.number;
            record.Time = edit.after.time;
            record.Penalty = edit.after.penalty;
            m_records.push_back(edit.record);
            m_index.insert(edit.record.get());
            m_snapshot.touch(m_records.size() - 1);
            if (m_ordered && last) {
                record.Lap = CountLap(record.Number, +1);
                record.NetTime = m_clock.pass(record);
            } else {
                m_ordered = false;
            }
            break;
        }
        case RecordEdit::Kind::Edited: {
            const std::size_t i = IndexOf(edit.record);
            if (edit.after.number != record.Number || edit.after.time != record.Time)
                m_ordered = false;
            record.Number = edit.after.number;
            record.Time = edit.after.time;
            record.Penalty = edit.after.penalty;
            m_snapshot.touch(i);
            break;
        }
        case RecordEdit::Kind::Deleted: {
            const std::size_t i = IndexOf(edit.record);
            // A race start taken back moves the clock back: the next save
            // measures anew.
            if (m_ordered && i + 1 == m_records.size() && record.Number != RaceStartNumber)
                CountLap(record.Number, -1);
            else
                m_ordered = false;
            m_records.erase(m_records.begin() + std::ptrdiff_t(i));
            m_index.erase(edit.record.get());
            m_snapshot.touchFrom(i);
            break;
        }
        }
    }
    Save(asked);
    emit recordsChanged(change);
    return true;
}

void RecordStore::NewFile()
{
    // The new name first: if none can be had, the store keeps its records and
    // its name, and the next save cannot put an empty race over the old file.
    const QString fresh = NewTempFileName();
    RemoveUnusedTempFile();
    ReplaceRecords({});
    MaxLap = 0;
    FileName = fresh;
    m_tempName = fresh;
    Unnamed = true;
    m_saveFailed = false;
    SetSaveProblem(QString());
    ForgetOpenedFile();
    LockTemporaryFile();
}

void RecordStore::LockTemporaryFile()
{
    if (m_tempLock && m_lockedName == FileName)
        return;
    m_tempLock.reset();  // removes the lock file: that temporary file is left cleanly
    m_lockedName.clear();
    if (!IsTemporaryDataFileName(FileName))
        return;
    auto lock = std::make_unique<QLockFile>(TempLockName(FileName));
    // Only a lock whose program has ended is stale, however old it is: a
    // race may be timed for hours.
    lock->setStaleLockTime(0);
    // Without the lock (another running program holds it, or the folder
    // takes no new file) the race goes on all the same; it is only not
    // offered at the next start should this run not end cleanly.
    if (lock->tryLock(0)) {
        m_tempLock = std::move(lock);
        m_lockedName = FileName;
    }
}

void RecordStore::ForgetOpenedFile()
{
    m_openedPath.clear();
    m_openedBytes.clear();
}

// What one save writes, taken from the store on the main thread so that the
// writing may happen on another.
struct RecordStore::SaveImage {
    QString fileName;
    // The records, shared with the store's later saves: never changed.
    std::vector<std::shared_ptr<const RecordSnapshot::Chunk>> chunks;
    std::size_t size = 0;
    // The names of the racers in the records, and the racer table's rows.
    std::unordered_map<int32_t, std::array<QString, 3>> racers;  // label, name, category
    std::vector<RacerRow> racerRows;
    bool hasRacers = false;
    QString backupOf;  // the opened file kept as it was opened, when this is the first save over it
    QByteArray backupBytes;
};

RecordStore::SaveImage RecordStore::TakeImage()
{
    SaveImage image;
    image.fileName = FileName;
    image.chunks = m_snapshot.take(m_records);
    image.size = m_records.size();
    if (m_racers) {
        image.hasRacers = true;
        // Once per start number the records hold (the store is ordered: the
        // lap counts name exactly those).
        image.racers.reserve(m_lapCounts.size());
        for (const auto &[number, laps] : m_lapCounts)
            image.racers.emplace(number,
                                 std::array<QString, 3>{m_racers->RacerLabel(number), m_racers->RacerName(number),
                                                        m_racers->RacerCategory(number)});
        image.racerRows = m_racers->Rows();
    }
    if (!m_openedPath.isEmpty() && FileName == m_openedPath) {
        image.backupOf = m_openedPath;
        image.backupBytes = m_openedBytes;
    }
    return image;
}

void RecordStore::WriteImage(const SaveImage &image)
{
    auto racer = [&image](int32_t number, std::size_t field) {
        const auto it = image.racers.find(number);
        return it == image.racers.end() ? QString() : it->second[field];
    };
    // The first save over an opened file keeps the file as it was opened.
    if (!image.backupOf.isEmpty())
        WriteFileAtomically(BackupFileName(image.backupOf), image.backupBytes);

    QString text;
    const auto eachRecord = [&image](auto &&write) {
        for (const auto &chunk : image.chunks)
            for (const TimeRecord &record : *chunk)
                write(record);
    };
    text.reserve(qsizetype(image.size) * 64);
    eachRecord([&](const TimeRecord &record) {
        text += u'"';
        text += QString::number(record.Number);
        text += u"\",\"";
        if (image.hasRacers)
            text += LabelForDataFile(racer(record.Number, 0));
        text += u"\",\"";
        text += DayTimeToText(record.Time);
        text += u"\",\"";
        text += QString::number(record.Lap);
        text += u"\",\"";
        text += DayTimeToText(record.NetTime);
        text += u"\",\"";
        text += QString::number(record.Penalty);
        text += u"\"\r\n";
    });
    WriteFileAtomically(image.fileName, ToCp1250(text));

    QByteArray xml(XmlDeclaration);
    xml.reserve(qsizetype(image.size) * 128 + 4096);
    {
        QBuffer buffer(&xml);
        buffer.open(QIODevice::WriteOnly | QIODevice::Append);
        QXmlStreamWriter writer(&buffer);
        writer.setAutoFormatting(true);
        writer.setAutoFormattingIndent(2);
        writer.writeStartElement(QStringLiteral("XML"));
        writer.writeStartElement(QStringLiteral("kola"));
        eachRecord([&](const TimeRecord &record) {
            writer.writeEmptyElement(QStringLiteral("kolo"));
            writer.writeAttribute(QStringLiteral("cislo"), QString::number(record.Number));
            writer.writeAttribute(QStringLiteral("kolo"), QString::number(record.Lap));
            writer.writeAttribute(QStringLiteral("cas"), DayTimeToText(record.Time));
            writer.writeAttribute(QStringLiteral("subcas"), DayTimeToText(record.NetTime));
            writer.writeAttribute(QStringLiteral("jmeno"),
                                  image.hasRacers ? XmlSafe(racer(record.Number, 1)) : QString());
            writer.writeAttribute(QStringLiteral("kategorie"),
                                  image.hasRacers ? XmlSafe(racer(record.Number, 2)) : QString());
        });
        writer.writeEndElement();  // kola
        writer.writeStartElement(QStringLiteral("racerlist"));
        for (const RacerRow &row : image.racerRows) {
            writer.writeEmptyElement(QStringLiteral("racer"));
            if (row.number)
                writer.writeAttribute(QStringLiteral("cislo"), QString::number(*row.number));
            // A cleared field counts as missing, as it does for the racer labels.
            if (row.name && !row.name->isEmpty())
                writer.writeAttribute(QStringLiteral("jmeno"), XmlSafe(*row.name));
            if (row.category && !row.category->isEmpty())
                writer.writeAttribute(QStringLiteral("kategorie"), XmlSafe(*row.category));
        }
        writer.writeEndElement();  // racerlist
        writer.writeEndElement();  // XML
        writer.writeEndDocument();
        if (writer.hasError())
            throw TikomatError(buffer.errorString());
    }
    WriteFileAtomically(ResultsFileName(image.fileName), xml);
}

bool RecordStore::Save(bool asked)
{
    // Laps first: they change in memory even when the files cannot be written.
    Order();

    auto image = std::make_shared<SaveImage>(TakeImage());
    const QString fileName = image->fileName;
    const bool backup = !image->backupOf.isEmpty();
    // The backup is written by this save; should it fail, the next one tries again.
    if (backup)
        ForgetOpenedFile();
    auto write = [image]() -> QString {
        try {
            WriteImage(*image);
        } catch (const TikomatError &error) {
            return error.text.isEmpty() ? QStringLiteral("?") : error.text;
        }
        return QString();
    };
    const quint64 save = ++m_saves;
    if (asked)
        m_askedSave = save;
    emit saveHandedOver(fileName, save);
    auto done = [this, save, asked, fileName, image](const QString &error) {
        SaveFinished(save, asked, fileName, error, *image);
    };
    if (m_queue) {
        m_queue->Submit(std::move(write), std::move(done));
        return true;
    }
    const QString error = write();
    done(error);
    return error.isEmpty();
}

void RecordStore::SetSaveAlarm(SaveAlarm *alarm)
{
    if (m_alarm && m_alarm->parent() == this)
        delete m_alarm;
    m_alarm = alarm;
}

void RecordStore::SaveFinished(quint64 save, bool asked, const QString &fileName, const QString &error,
                               const SaveImage &image)
{
    // Outcomes come in order, and a save the queue replaced never gets one:
    // an asked save still unanswered when a later one's outcome arrives was
    // replaced by it.
    if (m_askedSave != 0 && m_askedSave <= save) {
        asked = true;
        m_askedSave = 0;
    }
    if (!error.isEmpty()) {
        m_saveFailed = true;
        if (!image.backupOf.isEmpty() && m_openedPath.isEmpty() && FileName == image.backupOf) {
            m_openedPath = image.backupOf;
            m_openedBytes = image.backupBytes;
        }
        SetSaveProblem(error);
        m_alarm->Failed(SavedFile::DataFile, error, asked);
        return;
    }
    // A write of a file the store has left since says nothing about the
    // current one.
    if (fileName != FileName)
        return;
    emit saveWritten(fileName, save);
    // One that a later save, still to come, follows leaves changes unsaved.
    if (save != m_saves)
        return;
    m_saveFailed = false;
    SetSaveProblem(QString());
}

void RecordStore::SetSaveProblem(const QString &problem)
{
    // A file saved, opened or new ends the episode.
    if (problem.isEmpty() && m_alarm)
        m_alarm->Succeeded(SavedFile::DataFile);
    if (problem.isEmpty())
        m_retry->stop();
    else if (!m_retry->isActive())
        m_retry->start();
    if (problem == m_saveProblem)
        return;
    m_saveProblem = problem;
    emit saveProblemChanged(problem);
}

bool RecordStore::WaitForWrites()
{
    if (m_queue)
        m_queue->WaitIdle();
    return !m_saveFailed;
}

bool RecordStore::Load(const QString &path)
{
    // Everything is read and parsed aside; only a complete file replaces
    // the records.
    DataFileReader reader(path);
    reader.setKeepBytes(true);
    const qint64 size = QFileInfo(path).size();
    if (size > DataFileSizeLimit) {
        if (m_dialogs)
            m_dialogs->message(DataFileTooLargeText(path, size), MsgIcon::Warning);
        return false;
    }
    if (m_dialogs && size > DataFileProgressSize) {
        // A cancel that comes as the last slice is read still counts.
        if (!m_dialogs->progress(LoadingText.arg(QuotedInput(QFileInfo(path).fileName())).arg(MegabytesOf(size)),
                                 reader))
            return false;
    } else {
        reader.run();
    }
    switch (reader.outcome()) {
    case DataFileReader::Outcome::Read: break;
    case DataFileReader::Outcome::TooLarge:
        if (m_dialogs)
            m_dialogs->message(DataFileTooLargeText(path, reader.size()), MsgIcon::Warning);
        return false;
    case DataFileReader::Outcome::Failed:
        if (m_dialogs)
            m_dialogs->message(FileErrorPrefix + reader.error());
        return false;
    case DataFileReader::Outcome::NotRun:
    case DataFileReader::Outcome::Cancelled: return false;  // the operator's choice: nothing to say
    }
    DataFileContents &read = reader.contents();
    if (read.unreadable > 0 && m_dialogs
        && !m_dialogs->question(
            QString(),
            ForeignFileQuestion.arg(QuotedInput(QFileInfo(path).fileName())).arg(read.unreadable).arg(read.lines),
            MsgIcon::Warning))
        return false;
    ReplaceRecords(std::move(read.records));
    MaxLap = read.maxLap;
    FileName = path;
    m_saveFailed = false;
    SetSaveProblem(QString());
    m_openedPath = path;
    m_openedBytes = reader.takeBytes();
    // The store has left its temporary file: it goes if it stayed empty.  An
    // unnamed race opened again (one a crash left) is the store's temporary
    // file from now on.
    if (path != m_tempName) {
        RemoveUnusedTempFile();
        if (IsTemporaryDataFileName(path))
            m_tempName = path;
    }
    LockTemporaryFile();
    return true;
}

bool RecordStore::SaveAs(const QString &path)
{
    SetFileName(path);
    return Save(true);
}

void RecordStore::SetFileName(const QString &path)
{
    FileName = path;
    if (path != m_tempName)
        RemoveUnusedTempFile();
    LockTemporaryFile();
}
