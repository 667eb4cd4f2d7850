#include "JournalKeeper.h"

#include "AtomicFile.h"
#include "Dialogs.h"
#include "tfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

const QString JournalSuffix = QStringLiteral(".journal");
const QString MsgCannotWrite = QStringLiteral("Nemohu zapsat deník impulsů: ");

}  // namespace

JournalKeeper::JournalKeeper(Dialogs *dialogs) : m_dialogs(dialogs) {}

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

std::vector<JournalEntry> JournalKeeper::RecordEntries(const std::vector<TRadekPtr> &records)
{
    std::vector<JournalEntry> entries;
    entries.reserve(records.size());
    for (const TRadekPtr &r : records) {
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

void JournalKeeper::Begin(const QString &dataFile, bool withRecords)
{
    const QString fresh = JournalPathFor(dataFile);
    const QString previous = path();
    // With the records in the new journal, the old one holds nothing more.
    const bool keepPrevious = UnsavedChanges() && !withRecords;
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
        std::vector<JournalEntry> start = currentRows ? currentRows() : std::vector<JournalEntry>();
        if (withRecords && currentRecords) {
            std::vector<JournalEntry> records = currentRecords();
            start.insert(start.end(), records.begin(), records.end());
        }
        if (!start.empty() && !file->Append(start))
            throw TikomatError(file->error());
        if (target != fresh) {
            if (::rename(QFile::encodeName(target).constData(), QFile::encodeName(fresh).constData()) != 0)
                throw TikomatError(SystemErrorText(errno));
            file = std::make_shared<JournalFile>(fresh);
        }
    } catch (const TikomatError &e) {
        if (m_dialogs && !m_failureShown)
            m_dialogs->message(MsgCannotWrite + e.text, MsgIcon::Warning);
        m_failureShown = true;
        return;  // the previous journal goes on
    }
    {
        std::lock_guard lock(m_mutex);
        m_file = file;
    }
    m_dataFile = dataFile;
    m_lastChange = withRecords ? file->lastSeq() : 0;
    m_savingUpTo = m_savedUpTo = 0;
    Register(fresh, true);
    if (!previous.isEmpty() && previous != fresh)
        Retire(previous, keepPrevious);
}

void JournalKeeper::Write(const std::vector<JournalEntry> &entries)
{
    std::shared_ptr<JournalFile> file;
    {
        std::lock_guard lock(m_mutex);
        file = m_file;
    }
    const bool change = std::any_of(entries.begin(), entries.end(), [](const JournalEntry &e) {
        return e.kind == JournalKind::RecordAdded || e.kind == JournalKind::RecordEdited
               || e.kind == JournalKind::RecordDeleted;
    });
    if (!file)
        return;
    const bool written = file->Append(entries);
    if (change)
        m_lastChange = file->lastSeq();
    if (written)
        return;
    if (m_dialogs && !m_failureShown)
        m_dialogs->message(MsgCannotWrite + file->error(), MsgIcon::Warning);
    m_failureShown = true;
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
    // A failure here is seen by the main thread's next write.
    if (file)
        file->Append(e);
}

void JournalKeeper::Saving(const QString &dataFile)
{
    // A new name: the file is not written yet, so the journal that follows
    // it starts with the records as well as the rows.
    if (dataFile != m_dataFile)
        Begin(dataFile, true);
    m_savingUpTo = LastSeq();
}

void JournalKeeper::Saved(const QString &dataFile)
{
    if (dataFile != m_dataFile)
        return;  // a write of a file the journal has left
    JournalEntry e;
    e.kind = JournalKind::Saved;
    e.upTo = m_savingUpTo;
    Write(e);
    m_savedUpTo = m_savingUpTo;
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
