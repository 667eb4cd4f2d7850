#include "JournalKeeper.h"

#include "AtomicFile.h"
#include "Dialogs.h"
#include "tfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

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

void JournalKeeper::Begin(const QString &dataFile)
{
    const QString fresh = JournalPathFor(dataFile);
    const QString previous = path();
    const bool keepPrevious = m_unsavedChanges;
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
        if (currentRows && !file->Append(currentRows()))
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
    m_unsavedChanges = false;
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
    for (const JournalEntry &e : entries) {
        if (e.kind == JournalKind::RecordAdded || e.kind == JournalKind::RecordEdited
            || e.kind == JournalKind::RecordDeleted)
            m_unsavedChanges = true;
    }
    if (!file || file->Append(entries))
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

void JournalKeeper::Saved(const QString &dataFile)
{
    if (dataFile != m_dataFile) {
        // Saved under a new name: every change is in that file, so the old
        // journal holds nothing it lacks.
        m_unsavedChanges = false;
        Begin(dataFile);
        return;
    }
    JournalEntry e;
    e.kind = JournalKind::Saved;
    Write(e);
    m_unsavedChanges = false;
}

void JournalKeeper::Close()
{
    const QString current = path();
    if (current.isEmpty())
        return;
    const bool rows = currentRows && !currentRows().empty();
    if (rows || m_unsavedChanges)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_file.reset();
    }
    Retire(current, false);
}
