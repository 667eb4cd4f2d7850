#include "JournalKeeper.h"

#include "AtomicFile.h"
#include "RecordStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

const QString JournalSuffix = QStringLiteral(".journal");
// While the journal cannot be written, how often it is tried again even when
// nothing new comes.
constexpr int RetryMs = 5000;

}  // namespace

JournalKeeper::JournalKeeper(QObject *parent) : QObject(parent)
{
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &JournalKeeper::RetryNow);
}

JournalKeeper::~JournalKeeper() = default;

QString JournalKeeper::JournalPathFor(const QString &dataFile)
{
    return dataFile + JournalSuffix;
}

QString JournalKeeper::AsideName(const QString &journalPath)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString name = journalPath + u'.' + stamp;
    for (int i = 2; QFileInfo::exists(name); ++i)
        name = journalPath + u'.' + stamp + u'-' + QString::number(i);
    return name;
}

QString JournalKeeper::IndexPath(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("tikomat-journals.txt"));
}

QStringList JournalKeeper::LeftJournals(const QString &folder)
{
    QStringList found;
    QFile index(IndexPath(folder));
    if (index.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : index.readAll().split('\n')) {
            const QString path = QString::fromUtf8(line).trimmed();
            if (!path.isEmpty() && !found.contains(path))
                found << path;
        }
    }
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*") + JournalSuffix}, QDir::Files)) {
        const QString path = dir.filePath(name);
        if (!found.contains(path))
            found << path;
    }
    return found;
}

QString JournalKeeper::path() const
{
    std::lock_guard lock(m_mutex);
    return m_file ? m_file->path() : QString();
}

void JournalKeeper::Register(const QString &journalPath, bool add)
{
    if (m_indexFolder.isEmpty())
        return;
    QStringList listed;
    QFile index(IndexPath(m_indexFolder));
    if (index.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : index.readAll().split('\n')) {
            const QString path = QString::fromUtf8(line).trimmed();
            if (!path.isEmpty() && path != journalPath && QFileInfo::exists(path))
                listed << path;
        }
        index.close();
    }
    if (add)
        listed << journalPath;
    try {
        WriteFileAtomically(index.fileName(), listed.join(u'\n').toUtf8() + '\n');
    } catch (const TikomatError &) {
        // The index only finds named races after a crash; the journal itself
        // is what keeps the data.
    }
}

void JournalKeeper::Retire(const QString &journalPath, bool keepAside)
{
    if (keepAside)
        QFile::rename(journalPath, AsideName(journalPath));
    else
        QFile::remove(journalPath);
    Register(journalPath, false);
}

std::vector<JournalEntry> JournalKeeper::RecordEntries(const std::vector<TimeRecordPtr> &records)
{
    std::vector<JournalEntry> entries;
    entries.reserve(records.size());
    for (const TimeRecordPtr &r : records) {
        JournalEntry e;
        e.kind = JournalKind::RecordAdded;
        e.record = {r->Number, r->Time, r->Penalty};
        entries.push_back(e);
    }
    return entries;
}

quint64 JournalKeeper::LastSeq() const
{
    std::lock_guard lock(m_mutex);
    return m_file ? m_file->lastSeq() : 0;
}

void JournalKeeper::Begin(const QString &dataFile, bool unwritten)
{
    const QString fresh = JournalPathFor(dataFile);
    const QString previous = path();
    // With the records in the new journal, the old one holds nothing more.
    const bool keepPrevious = UnsavedChanges() && !unwritten;
    std::shared_ptr<JournalFile> file;
    try {
        // A journal already there belongs to a race that file held before;
        // whatever it says is kept, aside.
        if (fresh != previous && QFileInfo::exists(fresh))
            QFile::rename(fresh, AsideName(fresh));
        // The same path (a file opened again): the new journal replaces the
        // old one only once it holds the rows.
        const QString target = fresh == previous ? fresh + QStringLiteral(".new") : fresh;
        QFile::remove(target);
        file = std::make_shared<JournalFile>(target);
        std::vector<JournalEntry> records = currentRecords ? currentRecords() : std::vector<JournalEntry>();
        JournalEntry begin;
        begin.kind = JournalKind::Begin;
        begin.upTo = unwritten ? 0 : records.size();
        std::vector<JournalEntry> start{begin};
        for (JournalEntry &r : records) {
            r.kind = unwritten ? JournalKind::RecordAdded : JournalKind::Held;
            start.push_back(r);
        }
        if (currentRows) {
            std::vector<JournalEntry> rows = currentRows();
            start.insert(start.end(), rows.begin(), rows.end());
        }
        if (!file->Append(start))
            throw TikomatError(file->error());
        if (target != fresh) {
            if (::rename(QFile::encodeName(target).constData(), QFile::encodeName(fresh).constData()) != 0)
                throw TikomatError(SystemErrorText(errno));
            file = std::make_shared<JournalFile>(fresh);
        }
    } catch (const TikomatError &e) {
        // The previous journal goes on, and the start is tried again.
        m_pendingBegin = PendingBegin{dataFile, unwritten, e.text};
        CheckWriting();
        return;
    }
    m_pendingBegin.reset();
    {
        std::lock_guard lock(m_mutex);
        m_file = file;
    }
    m_dataFile = dataFile;
    m_lastChange = unwritten ? file->lastSeq() : 0;
    m_savedUpTo = 0;
    m_saving.clear();
    Register(fresh, true);
    if (!previous.isEmpty() && previous != fresh)
        Retire(previous, keepPrevious);
    CheckWriting();
}

void JournalKeeper::Write(const std::vector<JournalEntry> &entries)
{
    std::shared_ptr<JournalFile> file;
    {
        std::lock_guard lock(m_mutex);
        file = m_file;
    }
    if (!file)
        return;
    const bool change = std::any_of(entries.begin(), entries.end(), [](const JournalEntry &e) {
        return e.kind == JournalKind::RecordAdded || e.kind == JournalKind::RecordEdited
               || e.kind == JournalKind::RecordDeleted;
    });
    const bool written = file->Append(entries);
    if (change)
        m_lastChange = file->lastSeq();
    if (!written || !m_problem.isEmpty())
        CheckWriting();
}

void JournalKeeper::StampRead(JournalList list, DayTime stamp)
{
    std::shared_ptr<JournalFile> file;
    {
        std::lock_guard lock(m_mutex);
        file = m_file;
    }
    JournalEntry e;
    e.kind = JournalKind::Stamp;
    e.list = list;
    e.time = stamp;
    // The main thread learns of a failure here at once, without waiting for
    // its own next entry.
    if (file && !file->Append(e))
        QMetaObject::invokeMethod(this, &JournalKeeper::CheckWriting, Qt::QueuedConnection);
}

void JournalKeeper::RetryNow()
{
    if (m_pendingBegin) {
        const PendingBegin pending = *m_pendingBegin;
        Begin(pending.dataFile, pending.unwritten);
    }
    std::shared_ptr<JournalFile> file;
    {
        std::lock_guard lock(m_mutex);
        file = m_file;
    }
    if (file)
        file->Retry();
    CheckWriting();
}

void JournalKeeper::CheckWriting()
{
    std::shared_ptr<JournalFile> file;
    {
        std::lock_guard lock(m_mutex);
        file = m_file;
    }
    QString problem;
    if (m_pendingBegin)
        problem = m_pendingBegin->error;
    else if (file && file->failing())
        problem = file->error();
    if (!problem.isEmpty())
        m_retry.start();
    else
        m_retry.stop();
    if (problem.isEmpty() == m_problem.isEmpty())
        return;  // one signal per episode, not one per failed entry
    m_problem = problem;
    emit writingChanged(problem);
}

void JournalKeeper::Saving(const QString &dataFile, quint64 save)
{
    // A new name: the file is not written yet, so the journal that follows
    // it starts with the records as well as the rows.
    if (dataFile != m_dataFile)
        Begin(dataFile, true);
    if (dataFile == m_dataFile)
        m_saving.emplace_back(save, LastSeq());
}

void JournalKeeper::Saved(const QString &dataFile, quint64 save)
{
    if (dataFile != m_dataFile)
        return;  // a write of a file the journal has left
    // Saves are written in the order they were handed over; those the
    // writer skipped for a newer one never report.
    std::optional<quint64> upTo;
    while (!m_saving.empty() && m_saving.front().first <= save) {
        if (m_saving.front().first == save)
            upTo = m_saving.front().second;
        m_saving.pop_front();
    }
    if (!upTo || *upTo <= m_savedUpTo)
        return;
    JournalEntry e;
    e.kind = JournalKind::Saved;
    e.upTo = *upTo;
    Write(e);
    m_savedUpTo = *upTo;
}

void JournalKeeper::Close()
{
    const QString current = path();
    if (current.isEmpty())
        return;
    const bool rows = currentRows && !currentRows().empty();
    if (rows || UnsavedChanges())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_file.reset();
    }
    Retire(current, false);
}
