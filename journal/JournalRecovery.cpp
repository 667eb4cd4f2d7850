#include "JournalRecovery.h"

#include "DataFileReader.h"
#include "Dialogs.h"
#include "QuotedInput.h"
#include "JournalKeeper.h"
#include "RaceSheetFile.h"
#include "RaceSheetStore.h"
#include "RecordStore.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

const QString MsgRecover = QStringLiteral("Deník impulsů %1 obsahuje údaje, které v datovém souboru nejsou:\n"
                                          "impulsů v seznamech: %2, změn záznamů: %3.\n\n"
                                          "Obnovit je? (Ne: deník zůstane uschován pod jménem s datem.)");

// The sheet beside a data file, as recovery compares it with the journal: an
// unreadable one as none (the store asks before it replaces it).
RaceSheet SheetOf(const QString &dataFile)
{
    return ReadRaceSheetFile(RaceSheetPath(dataFile)).sheet;
}

bool IsTemporaryDataFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.startsWith(u'~') && name.endsWith(QStringLiteral(".tmp"));
}

// The records of a data file, read without a question; none when it is
// missing or cannot be read.  Read without a store, which would take the
// lock of a temporary file a crash left and so hide it from the next start.
std::vector<JournalRecord> RecordsOf(const QString &dataFile)
{
    if (!QFileInfo::exists(dataFile))
        return {};
    try {
        return JournalRecords(ReadDataFile(dataFile).records);
    } catch (const TikomatError &) {
        return {};
    }
}

// Asks about one journal and does what the operator chose.  False when the
// journal held nothing to restore.
bool Offer(RecoveryTarget &target, const QString &journalPath, bool loadDataFile)
{
    const JournalFindings found = InspectJournal(journalPath);
    if (!found.readable)
        return false;
    JournalKeeper &keeper = target.keeper;
    if (found.empty()) {
        QFile::remove(journalPath);
        return false;
    }
    const QString dataFile = DataFileOfJournal(journalPath);
    QString text = MsgRecover.arg(QuotedInput(QFileInfo(journalPath).fileName()))
                       .arg(found.replay.rows.size())
                       .arg(found.recordChanges);
    if (found.sheetChanges > 0)
        text.replace(QStringLiteral(".\n\n"), QStringLiteral(", změn listu závodu: %1.\n\n").arg(found.sheetChanges));
    const bool yes = target.dialogs.question(QString(), text, MsgIcon::Warning);
    // Kept aside either way until its content is safely in the new files.
    const QString aside = JournalKeeper::AsideName(journalPath);
    QFile::rename(journalPath, aside);
    if (!yes)
        return true;

    RecordStore &data = target.data;
    if (loadDataFile && QFileInfo::exists(dataFile)) {
        if (!data.Load(dataFile))
            return true;  // reported; the journal stays aside
    } else if (loadDataFile) {
        data.FileName = dataFile;
    }
    if (target.sheet && target.sheet->fileName() != RaceSheetPath(data.FileName))
        target.sheet->open(data.FileName);
    data.Unnamed = IsTemporaryDataFile(dataFile);
    // The journal of this file starts afresh with what the store now holds,
    // and the recovered changes go into it like any others, so that a crash
    // during the recovery itself finds them.
    keeper.Begin(data.FileName);
    const RecordChange change = RecordChangeOf(Reconcile(found.replay, JournalRecords(data.records())), data.records());
    if (target.sink)
        target.sink->Restore(change, found.replay.rows);
    else if (!change.empty())
        data.apply(change);
    if (target.sheet) {
        const SheetChange sheetChange = SheetChangeToward(found.replay.sheet, target.sheet->sheet());
        if (!sheetChange.empty())
            target.sheet->apply(sheetChange);
    }
    data.Save();
    if (data.WaitForWrites() && keeper.dataFile() == data.FileName)
        QFile::remove(aside);
    return true;
}

}  // namespace

QString DataFileOfJournal(const QString &journalPath)
{
    return journalPath.chopped(JournalKeeper::JournalPathFor(QString()).size());
}

JournalFindings InspectJournal(const QString &journalPath)
{
    JournalFindings out;
    QFile file(journalPath);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    const QByteArray bytes = file.readAll();
    out.readable = file.error() == QFileDevice::NoError;
    out.replay = Replay(ReadJournal(bytes));
    if (!out.replay.changes.empty() || !out.replay.held.empty())
        out.recordChanges = int(Reconcile(out.replay, RecordsOf(DataFileOfJournal(journalPath))).size());
    if (!out.replay.sheet.empty())
        out.sheetChanges = int(
            SheetChangeToward(out.replay.sheet, SheetOf(DataFileOfJournal(journalPath))).edits.size());
    return out;
}

void RecoverAtStart(RecoveryTarget &target, const QString &folder)
{
    QStringList left = JournalKeeper::LeftJournals(folder);
    left.removeAll(target.keeper.path());
    left.erase(std::remove_if(left.begin(), left.end(), [](const QString &p) { return !QFileInfo::exists(p); }),
               left.end());
    std::sort(left.begin(), left.end(), [](const QString &a, const QString &b) {
        return QFileInfo(a).lastModified() > QFileInfo(b).lastModified();
    });
    for (const QString &journal : left) {
        if (Offer(target, journal, true))
            break;
    }
    if (target.keeper.dataFile() != target.data.FileName)
        target.keeper.Begin(target.data.FileName);
}

void RecoverOpened(RecoveryTarget &target)
{
    // Whoever opened the data file (the desk, an unnamed race left by a
    // crash) has the sheet beside it read, once.
    if (target.sheet && target.sheet->fileName() != RaceSheetPath(target.data.FileName))
        target.sheet->open(target.data.FileName);
    const QString journal = JournalKeeper::JournalPathFor(target.data.FileName);
    if (journal != target.keeper.path() && QFileInfo::exists(journal))
        Offer(target, journal, false);
    if (target.keeper.dataFile() != target.data.FileName)
        target.keeper.Begin(target.data.FileName);
}
