#include "LeftRaces.h"

#include "DataFileReader.h"
#include "Dialogs.h"
#include "QuotedInput.h"
#include "TempDataFile.h"
#include "RecordStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <numeric>

namespace {

QString When(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("d. M. yyyy H:mm"));
}

// The lock of a temporary file when it was left by a run that has ended:
// its lock file is there and nobody holds it.
std::unique_ptr<QLockFile> TakeStaleLock(const QString &path)
{
    const QString lockName = TempLockName(path);
    if (!QFileInfo::exists(lockName))
        return nullptr;  // closed cleanly, or never this program's
    auto lock = std::make_unique<QLockFile>(lockName);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;  // a running program works in it
    return lock;
}

}  // namespace

QString CzechRecordCount(int count)
{
    const QString noun = count == 1                 ? QStringLiteral("záznam")
                         : count >= 2 && count <= 4 ? QStringLiteral("záznamy")
                                                    : QStringLiteral("záznamů");
    return QString::number(count) + u' ' + noun;
}

LeftRaces::LeftRaces(const QString &inUse)
{
    struct Found {
        LeftRace race;
        std::unique_ptr<QLockFile> lock;
    };
    std::vector<Found> found;
    const QString inUseClean = QDir::cleanPath(inUse);
    for (const QString &folder : TempFolderCandidates()) {
        const QDir dir(folder);
        for (const QString &name : dir.entryList({QStringLiteral("~*.tmp")}, QDir::Files)) {
            const QString path = QDir::cleanPath(dir.filePath(name));
            if (!IsTemporaryDataFileName(path) || path == inUseClean)
                continue;
            std::unique_ptr<QLockFile> lock = TakeStaleLock(path);
            if (!lock)
                continue;
            const QFileInfo info(path);
            if (info.size() == 0) {
                // Nothing was ever saved into it: litter of the run that ended.
                QFile::remove(path);
                QFile::remove(ResultsFileName(path));
                continue;  // the lock goes with it
            }
            int records = 0;
            try {
                records = int(ReadDataFile(path).records.size());
            } catch (const TikomatError &) {
            }
            if (records == 0)
                continue;  // not a race this program can open; left alone, no longer marked
            found.push_back({{path, info.lastModified(), records}, std::move(lock)});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Found &a, const Found &b) { return a.race.modified > b.race.modified; });
    for (Found &f : found) {
        m_races.push_back(std::move(f.race));
        m_locks.push_back(std::move(f.lock));
    }
}

LeftRaces::~LeftRaces()
{
    // The races not opened stay left: their locks are held to the end of
    // this run and never unlocked, so that the lock files stay behind, stale
    // once this run ends, and the next start offers the races again.
    for (std::unique_ptr<QLockFile> &lock : m_locks)
        if (lock && lock->isLocked())
            (void)lock.release();
}

QString LeftRaces::Question() const
{
    if (m_races.empty())
        return {};
    const LeftRace &newest = m_races.front();
    if (m_races.size() == 1)
        return QStringLiteral("Nalezen nepojmenovaný závod z %1 (%2). Otevřít?\n\n"
                              "Soubor: %3\n"
                              "Při volbě Ne zůstane, kde je, a nabídne se znovu při příštím spuštění.")
            .arg(When(newest.modified), CzechRecordCount(newest.records),
                 QuotedInput(QDir::toNativeSeparators(newest.path)));
    QString list;
    for (const LeftRace &race : m_races)
        list += QStringLiteral("z %1 (%2): %3\n")
                    .arg(When(race.modified), CzechRecordCount(race.records),
                         QuotedInput(QDir::toNativeSeparators(race.path)));
    return QStringLiteral("Nalezeny nepojmenované závody (%1):\n%2\nOtevřít nejnovější, z %3?\n\n"
                          "Ostatní (a při volbě Ne všechny) zůstanou, kde jsou, a nabídnou se znovu "
                          "při příštím spuštění.")
        .arg(m_races.size())
        .arg(list, When(newest.modified));
}

void LeftRaces::ReleaseNewest()
{
    if (!m_locks.empty() && m_locks.front())
        m_locks.front()->unlock();
}

void LeftRaces::ReclaimNewest()
{
    if (!m_locks.empty() && m_locks.front() && !m_locks.front()->isLocked())
        m_locks.front()->tryLock(0);
}

bool OfferLeftRaces(RecordStore &data, Dialogs &dialogs)
{
    LeftRaces left(data.FileName);
    if (left.races().empty())
        return false;
    if (!dialogs.question(QString(), left.Question(), MsgIcon::Warning))
        return false;
    left.ReleaseNewest();
    if (!data.Load(left.races().front().path)) {
        left.ReclaimNewest();  // reported by the store; still left for the next start
        return false;
    }
    data.Unnamed = true;
    return true;
}
