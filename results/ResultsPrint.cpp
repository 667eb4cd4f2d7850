#include "ResultsPrint.h"

#include "AtomicFile.h"
#include "Dialogs.h"
#include "TikomatError.h"

#include <QFileInfo>

namespace {

class ResultsPrintJob : public PrintJob {
public:
    ResultsPrintJob(const std::vector<ResultsSection> &sections, const PrintMoment &moment)
        : m_title(sections.front().table().caption), m_pages(sections, moment)
    {}

    QString title() const override { return m_title; }
    void setUpPage(QPagedPaintDevice &device) override { ResultsPages::SetUpPage(device); }
    bool print(QPagedPaintDevice &device) override
    {
        // The preview draws on its own device first; only the printer's
        // refusal is worth telling the operator.
        m_refused = !m_pages.paint(device);
        return !m_refused;
    }
    bool refused() const { return m_refused; }

private:
    QString m_title;
    ResultsPages m_pages;
    bool m_refused = false;
};

}  // namespace

PrintMoment PrintMomentOf(const QString &dataFile, bool unnamed, const QDateTime &now)
{
    PrintMoment moment{now.date(), now};
    const QFileInfo file(dataFile);
    if (!unnamed && file.exists() && file.lastModified().isValid())
        moment.raceDate = file.lastModified().date();
    return moment;
}

std::vector<ResultsSection> PrintedSections(const ResultsSection &shown, bool everyCategory)
{
    if (everyCategory && shown.whole() && !shown.table().categories.empty())
        return CategorySections(shown.table());
    return {shown};
}

void PrintResults(Dialogs &dialogs, const std::vector<ResultsSection> &sections, const PrintMoment &moment)
{
    ResultsPrintJob job(sections, moment);
    const QString reason = dialogs.printPreview(job);
    if (!reason.isEmpty())
        dialogs.message(QStringLiteral("Chyba při tisku: ") + reason, MsgIcon::Critical);
    else if (job.refused())
        dialogs.message(QStringLiteral("Chyba při tisku: tiskárna úlohu nepřijala"), MsgIcon::Critical);
}

void SaveResultsPdf(Dialogs &dialogs, const std::vector<ResultsSection> &sections, const PrintMoment &moment)
{
    FileRequest request;
    request.title = QStringLiteral("Výsledky do PDF");
    request.filter = QStringLiteral("Soubory PDF (*.pdf)|*.pdf|Všechny soubory (*.*)|*.*");
    request.defaultSuffix = QStringLiteral("pdf");
    const std::optional<QString> path = dialogs.saveFile(request);
    if (!path)
        return;
    try {
        // Made whole in memory first: a failure never leaves part of a file.
        WriteFileAtomically(*path, ResultsPdf(sections, moment, sections.front().table().caption));
    } catch (const TikomatError &e) {
        dialogs.message(QStringLiteral("Chyba při ukládání: ") + e.text, MsgIcon::Critical);
    }
}
