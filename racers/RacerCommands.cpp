#include "RacerCommands.h"

#include "Categories.h"
#include "Dialogs.h"
#include "RacerFile.h"
#include "RacerImport.h"
#include "sezZavodniku.h"
#include "tfile.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString ErrorPrefix = QStringLiteral("Chyba: ");
const QString RacerFilter =
    QStringLiteral("Soubory dat (*.racerlist)|*.racerlist|Všechny soubory (*.*)|*.*");
const QString RacerExtension = QStringLiteral("racerlist");
// More lines than this would make the message taller than a laptop's screen.
constexpr int ListedProblems = 15;

}  // namespace

RacerCommands::RacerCommands(RacerTable &table, Dialogs &dialogs) : m_table(table), m_dialogs(dialogs)
{
}

void RacerCommands::btnZavodniciLoadClick()
{
    const std::optional<QString> path =
        m_dialogs.openFile({QStringLiteral("Otevřít datový soubor..."), RacerFilter, RacerExtension, {}});
    if (!path)
        return;
    try {
        std::vector<RacerRow> rows = LoadRacerFile(*path);
        m_table.EndEdit();
        m_table.setRows(std::move(rows));
    } catch (const TikomatError &e) {
        m_dialogs.message(ErrorPrefix + e.text, MsgIcon::Critical);
    }
}

void RacerCommands::btnZavodniciSaveAsClick(bool saveAs)
{
    if (saveAs || m_saveFileName.isEmpty()) {
        const std::optional<QString> path = m_dialogs.saveFile(
            {QStringLiteral("Datový soubor záznamu časů..."), RacerFilter, RacerExtension, m_saveFileName});
        if (!path)
            return;
        m_saveFileName = *path;
    }
    try {
        // Rows() ends an edit still open, so the file holds what the grid shows.
        SaveRacerFile(m_saveFileName, m_table.Rows());
    } catch (const TikomatError &e) {
        m_dialogs.message(ErrorPrefix + e.text, MsgIcon::Critical);
    }
}

void RacerCommands::btnZavodniciImportClick()
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
    const QString fileName = QFileInfo(*path).fileName();
    if (!import.problems.isEmpty()) {
        QStringList listed = import.problems.mid(0, ListedProblems);
        if (import.problems.size() > ListedProblems)
            listed << QStringLiteral("… a %1 dalších.").arg(import.problems.size() - ListedProblems);
        m_dialogs.message(QStringLiteral("Ze souboru %1 nebyl importován žádný závodník, "
                                         "tyto řádky nelze přečíst:\n\n%2")
                              .arg(fileName, listed.join(QLatin1Char('\n'))),
                          MsgIcon::Warning);
        return;
    }
    if (import.rows.empty()) {
        m_dialogs.message(QStringLiteral("Soubor %1 neobsahuje žádné závodníky.").arg(fileName), MsgIcon::Warning);
        return;
    }
    const int count = int(import.rows.size());
    m_table.EndEdit();
    m_table.appendRows(import.rows);
    m_dialogs.message(QStringLiteral("Ze souboru %1 přidáno závodníků: %2.").arg(fileName).arg(count),
                      MsgIcon::Information);
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

QStringList RacerCommands::DBGridZavodniciExit(const QStringList &categoryLines)
{
    m_table.EndEdit();
    const QStringList added = NewCategories(categoryLines, m_table.rows());
    m_table.setCurrentRow(m_table.size() - 1);
    return added;
}
