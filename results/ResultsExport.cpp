#include "ResultsExport.h"

#include "Cp1250.h"
#include "Dialogs.h"
#include "LocaleTime.h"
#include "Display.h"
#include "ResultsLists.h"
#include "vteExcel.h"
#include "vteWriters.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>
#include <array>
#include <exception>
#include <stdexcept>

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

std::string Text8(QStringView text)
{
    // Times and numbers, most of a sheet, are plain ASCII: they are the same
    // bytes in code page 1250 and skip the converter, which halves the time a
    // large export spends on its texts.
    std::string out(size_t(text.size()), '\0');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit >= 0x80)
            return ToCp1250(text).toStdString();
        out[size_t(i)] = char(unit);
    }
    return out;
}

struct ColumnSpec {
    const char16_t *title;
    int width;  // 1/256 of a character
};

constexpr std::array<ColumnSpec, 6> Columns{{
    {u"Závodník", 6000},
    {u"Čas závodníka", 4000},
    {u"Počet kol", 3000},
    {u"Trestné sekundy", 3000},
    {u"Čas startu", 4000},
    {u"Poznámka", 5000},
}};

constexpr int FirstResultsRow = 3;

}  // namespace

void SetOpenActionForTesting(OpenFileAction action)
{
    OpenOverride() = std::move(action);
}

QString ExportMomentText(const QLocale &locale, const QDateTime &moment)
{
    QString text = locale.toString(moment.date(), QLocale::ShortFormat);
    if (moment.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(moment.time(), LongTimeFormat(locale));
    return text;
}

QStringList ResultsSheetColumnTitles()
{
    QStringList titles;
    for (const ColumnSpec &column : Columns)
        titles << QString::fromUtf16(column.title);
    return titles;
}

QString ResultsSheetCellText(const ResultsListModel &results, int row, int column)
{
    const QString text = results.text(row, ResultsListModel::Column(column));
    return column == ResultsListModel::Caption ? text : text.trimmed();
}

QString ResultsHeaderText(const QString &moment)
{
    return QStringLiteral("     Tikomat Orvik - Norvanta, s.r.o., ") + TfrmDisplay::MakerAddress()
           + QStringLiteral(" Pelvany     Generováno: ") + moment;
}

void FillResultsSheet(TvteXLSWorksheet &sheet, const QString &title, const ResultsListModel &results,
                      const QString &moment)
{
    const int rows = results.rowCount();
    if (rows > MaxExportedRows) {
        // Rows past the sheet's last one would be lost without a word.
        throw std::runtime_error(QStringLiteral("výsledková listina má %1 řádků, list sešitu jich pojme nejvýše %2")
                                     .arg(rows)
                                     .arg(MaxExportedRows)
                                     .toStdString());
    }

    TvteXLSRange *header = sheet.Ranges(0, 0, 5, 0);
    header->SetValue(Text8(ResultsHeaderText(moment)));
    header->Font.Size = 10;
    TvteXLSRange *caption = sheet.Ranges(0, 1, 2, 1);
    caption->SetValue(Text8(QStringLiteral("   ") + title));
    caption->Font.Size = 10;

    for (int c = 0; c < int(Columns.size()); ++c)
        sheet.Ranges(c, 2, c, 2)->SetValue(Text8(QString::fromUtf16(Columns[size_t(c)].title)));
    sheet.Ranges(0, 2, 0, 2)->Font.Style = TvteFontStyles{TvteFontStyle::Bold};
    for (int c = 0; c < int(Columns.size()); ++c)
        sheet.Cols(c)->Width = Columns[size_t(c)].width;

    for (int k = 0; k < rows; ++k) {
        const int r = FirstResultsRow + k;
        sheet.Ranges(0, r, 0, r)->SetValue(Text8(ResultsSheetCellText(results, k, ResultsListModel::Caption)));
        for (int c = 1; c < ResultsListModel::ColumnCount; ++c) {
            const QString text = ResultsSheetCellText(results, k, c);
            if (!text.isEmpty())  // a "0" stays; only what is left empty is skipped
                sheet.Ranges(c, r, c, r)->SetValue(Text8(text));
        }
    }
}

void SaveResultsWorkbook(const QString &path, const QString &title, const ResultsListModel &results,
                         const QString &moment)
{
    TvteXLSWorkbook workbook;
    TvteExcelWriter writer;
    workbook.Clear();
    TvteXLSWorksheet *sheet = workbook.AddSheet();
    sheet->SetName(Text8(QStringLiteral("Výpis ")));
    FillResultsSheet(*sheet, title, results, moment);
    writer.SaveToFile(workbook, QFile::encodeName(path).toStdString());
}

void ExportResults(Dialogs &dialogs, const ResultsListModel &results)
{
    FileRequest request;
    request.filter = QStringLiteral("Soubory XLS (*.xls)|*.xls|Všechny soubory (*.*)|*.*");
    request.defaultSuffix = QStringLiteral("xls");
    const std::optional<QString> path = dialogs.saveFile(request);
    if (!path)
        return;
    try {
        SaveResultsWorkbook(*path, QStringLiteral("Výpis závodníků"), results,
                            ExportMomentText(QLocale::system(), QDateTime::currentDateTime()));
        OpenExportedFile(*path);
    } catch (const std::exception &e) {
        dialogs.message(QStringLiteral("Chyba při ukládání: ") + QString::fromUtf8(e.what()), MsgIcon::Critical);
    }
}
