#include "ResultsExport.h"

#include "Dialogs.h"

#include <QDesktopServices>
#include <QUrl>
#include <exception>

namespace {

OpenFileAction &OpenOverride()
{
    static OpenFileAction action;
    return action;
}

void OpenExportedFile(const QString &path)
{
    if (const OpenFileAction &action = OpenOverride()) {
        action(path);
        return;
    }
    // When no application is associated with .xls the file simply stays
    // saved; nothing is reported.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace

void SetOpenActionForTesting(OpenFileAction action)
{
    OpenOverride() = std::move(action);
}

void ExportResults(Dialogs &dialogs, const ResultsSection &section)
{
    FileRequest request;
    request.title = QStringLiteral("Export výsledků do .xls");
    request.filter = QStringLiteral("Soubory XLS (*.xls)|*.xls|Všechny soubory (*.*)|*.*");
    request.defaultSuffix = QStringLiteral("xls");
    const std::optional<QString> path = dialogs.saveFile(request);
    if (!path)
        return;
    try {
        SaveResultsWorkbook(*path, {section}, ExportMomentText(QLocale::system(), QDateTime::currentDateTime()));
        OpenExportedFile(*path);
    } catch (const std::exception &e) {
        dialogs.message(QStringLiteral("Chyba při ukládání: ") + QString::fromUtf8(e.what()), MsgIcon::Critical);
    }
}
