#include "RacerCommands.h"

#include "Categories.h"
#include "Dialogs.h"
#include "QuotedInput.h"
#include "RacerFile.h"
#include "RacerImport.h"
#include "RacerTable.h"
#include "TikomatError.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

const QString ErrorPrefix = QStringLiteral("Chyba: ");
const QString RacerFilter = QStringLiteral("Soubory dat (*.racerlist)|*.racerlist|Všechny soubory (*.*)|*.*");
const QString RacerExtension = QStringLiteral("racerlist");
// More lines than this would make the message taller than a laptop's screen.
constexpr int ListedProblems = 15;
const QString ChoiceUpdate = QStringLiteral("Aktualizovat");
const QString ChoiceSkip = QStringLiteral("Přeskočit");
const QString ChoiceCancel = QStringLiteral("Storno");

// Start numbers run along the lines of the box: many more fit than problems.
constexpr int ListedNumbers = 60;

// The first `limit` items joined, and how many more there are.
QString Listed(const QStringList &items, const QString &separator, int limit = ListedProblems)
{
    QStringList listed = items.mid(0, limit);
    if (items.size() > limit)
        listed << QStringLiteral("… a %1 dalších.").arg(items.size() - limit);
    return listed.join(separator);
}

// Imported rows split by whether the table has their start number already.
struct ImportPlan {
    std::vector<RacerRow> present;  // in file order
    std::vector<RacerRow> added;

    QStringList presentNumbers() const
    {
        std::vector<int> numbers;
        for (const RacerRow &r : present)
            numbers.push_back(*r.number);
        std::sort(numbers.begin(), numbers.end());
        QStringList out;
        for (int n : numbers)
            out << QString::number(n);
        return out;
    }
};

ImportPlan PlanImport(const std::vector<RacerRow> &imported, const std::vector<RacerRow> &table)
{
    QSet<int> inTable;
    for (const RacerRow &r : table)
        if (r.number)
            inTable.insert(*r.number);
    ImportPlan plan;
    for (const RacerRow &r : imported)
        (r.number && inTable.contains(*r.number) ? plan.present : plan.added).push_back(r);
    return plan;
}

}  // namespace

RacerCommands::RacerCommands(RacerTable &table, Dialogs &dialogs) : m_table(table), m_dialogs(dialogs) {}

void RacerCommands::openRacerFile()
{
    const std::optional<QString> path = m_dialogs.openFile(
        {QStringLiteral("Otevřít datový soubor..."), RacerFilter, RacerExtension, {}});
    if (!path)
        return;
    try {
        std::vector<RacerRow> rows = LoadRacerFile(*path);
        m_table.EndEdit();
        m_table.setRows(std::move(rows));
        // The table holds a file's rows again: a save that failed before left nothing behind.
        m_alarm->Succeeded(SavedFile::RacerFile);
        emit racerFileUsed(*path);
    } catch (const TikomatError &e) {
        m_dialogs.message(ErrorPrefix + e.text, MsgIcon::Critical);
    }
}

void RacerCommands::saveRacerFile(bool saveAs)
{
    if (saveAs || m_saveFileName.isEmpty()) {
        const std::optional<QString> path = m_dialogs.saveFile(
            {QStringLiteral("Soubor závodníků"), RacerFilter, RacerExtension, m_saveFileName});
        if (!path)
            return;
        m_saveFileName = *path;
    }
    try {
        // Rows() ends an edit still open, so the file holds what the grid shows.
        SaveRacerFile(m_saveFileName, m_table.Rows());
    } catch (const TikomatError &e) {
        m_alarm->Failed(SavedFile::RacerFile, e.text, true);
        return;
    }
    m_alarm->Succeeded(SavedFile::RacerFile);
    emit racerFileUsed(m_saveFileName);
}

void RacerCommands::importCsv()
{
    const std::optional<QString> path = m_dialogs.openFile(
        {QStringLiteral("Importovat závodníky ze souboru CSV..."),
         QStringLiteral("Soubory CSV (*.csv)|*.csv|Textové soubory (*.txt)|*.txt|Všechny soubory (*.*)|*.*"),
         QStringLiteral("csv"),
         {}});
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_dialogs.message(ErrorPrefix + file.errorString(), MsgIcon::Critical);
        return;
    }
    const RacerImport import = ImportRacersCsv(file.readAll());
    const QString fileName = QuotedInput(QFileInfo(*path).fileName());
    if (!import.problems.isEmpty()) {
        m_dialogs.message(QStringLiteral("Ze souboru %1 nebyl importován žádný závodník, "
                                         "tyto řádky nelze přečíst:\n\n%2")
                              .arg(fileName, Listed(import.problems, QStringLiteral("\n"))),
                          MsgIcon::Warning);
        return;
    }
    if (import.rows.empty()) {
        m_dialogs.message(QStringLiteral("Soubor %1 neobsahuje žádné závodníky.").arg(fileName), MsgIcon::Warning);
        return;
    }
    m_table.EndEdit();
    ImportPlan plan = PlanImport(import.rows, m_table.rows());
    if (!plan.present.empty()) {
        // A second import of the same registrations: asked before anything changes.
        const int choice = m_dialogs.choose(
            {},
            QStringLiteral("Tato startovní čísla ze souboru %1 už v tabulce jsou:\n%2\n\n"
                           "Aktualizovat: přepsat u nich jméno a kategorii podle souboru a importovat ostatní.\n"
                           "Přeskočit: ponechat je, jak jsou, a importovat ostatní.\n"
                           "Storno: neimportovat nic.")
                .arg(fileName, Listed(plan.presentNumbers(), QStringLiteral(", "), ListedNumbers)),
            MsgIcon::Question, {ChoiceUpdate, ChoiceSkip, ChoiceCancel});
        if (choice == 2 || choice < 0)
            return;
        if (choice == 1)
            plan.present.clear();
    }
    const int added = int(plan.added.size()), updated = int(plan.present.size());
    const int skipped = int(import.rows.size()) - added - updated;
    m_table.mergeRows(plan.present, std::move(plan.added));
    QString report = QStringLiteral("Ze souboru %1 přidáno závodníků: %2.").arg(fileName).arg(added);
    if (updated > 0)
        report += QStringLiteral("\nAktualizováno závodníků: %1.").arg(updated);
    if (skipped > 0)
        report += QStringLiteral("\nPonecháno beze změny: %1.").arg(skipped);
    m_dialogs.message(report, MsgIcon::Information);
}

void RacerCommands::DeleteCurrentRow()
{
    // An inserted row nothing was typed into goes without a question.
    const int before = m_table.size();
    m_table.EndEdit();
    if (m_table.size() < before)
        return;
    const int row = m_table.currentRow();
    if (row < 0 || row >= m_table.size())
        return;
    if (!m_dialogs.question({}, QStringLiteral("Smazat závodníka?"), MsgIcon::Question))
        return;
    m_table.deleteRow(row);
}

QStringList RacerCommands::finishGridEdit(const QStringList &categoryLines)
{
    m_table.EndEdit();
    const QStringList added = NewCategories(categoryLines, m_table.rows());
    m_table.setCurrentRow(m_table.size() - 1);
    return added;
}
