#include "ResultsSheet.h"

#include "Cp1250.h"
#include "LocaleTime.h"
#include "vteExcel.h"
#include "vteWriters.h"

#include <QFile>
#include <QSet>
#include <array>
#include <stdexcept>

namespace {

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

// A sheet's name may not hold these; Excel refuses such a workbook.
bool BadInSheetName(char c)
{
    switch (c) {
    case '[':
    case ']':
    case ':':
    case '*':
    case '?':
    case '/':
    case '\\': return true;
    default: return static_cast<unsigned char>(c) < 0x20;
    }
}

constexpr size_t MaxSheetName = 31;

// Blanks and apostrophes at either end are not kept by spreadsheet programs.
std::string TrimmedName(std::string name)
{
    auto loose = [](char c) { return c == ' ' || c == '\''; };
    while (!name.empty() && loose(name.back()))
        name.pop_back();
    size_t first = 0;
    while (first < name.size() && loose(name[first]))
        ++first;
    return name.substr(first);
}

std::string Lowered(const std::string &cp1250)
{
    return ToCp1250(FromCp1250(QByteArray::fromStdString(cp1250)).toCaseFolded()).toStdString();
}

}  // namespace

QString MakerAddress()
{
    return QStringLiteral("www.norvanta.cz");
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

QString ResultsSheetCellText(const ResultsSection &section, int k, int column)
{
    const ResultRow &row = section.row(k);
    switch (column) {
    case 0: return row.caption;
    case 1: return row.penalizedText().trimmed();
    case 2: return row.lapText();
    case 3: return row.penaltyText();
    case 4: return row.startText().trimmed();
    case 5: return row.noteText().trimmed();
    default: return {};
    }
}

QString ResultsHeaderText(const QString &moment)
{
    return QStringLiteral("     Tikomat Orvik - Norvanta, s.r.o., ") + MakerAddress()
           + QStringLiteral(" Pelvany     Generováno: ") + moment;
}

void FillResultsSheet(TvteXLSWorksheet &sheet, const ResultsSection &section, const QString &moment)
{
    const int rows = section.size();
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
    caption->SetValue(Text8(QStringLiteral("   ") + section.caption()));
    caption->Font.Size = 10;

    for (int c = 0; c < int(Columns.size()); ++c)
        sheet.Ranges(c, 2, c, 2)->SetValue(Text8(QString::fromUtf16(Columns[size_t(c)].title)));
    sheet.Ranges(0, 2, 0, 2)->Font.Style = TvteFontStyles{TvteFontStyle::Bold};
    for (int c = 0; c < int(Columns.size()); ++c)
        sheet.Cols(c)->Width = Columns[size_t(c)].width;

    for (int k = 0; k < rows; ++k) {
        const int r = FirstResultsRow + k;
        sheet.Ranges(0, r, 0, r)->SetValue(Text8(ResultsSheetCellText(section, k, 0)));
        for (int c = 1; c < ResultsSheetColumns; ++c) {
            const QString text = ResultsSheetCellText(section, k, c);
            if (!text.isEmpty())  // a "0" stays; only what is left empty is skipped
                sheet.Ranges(c, r, c, r)->SetValue(Text8(text));
        }
    }
}

std::vector<std::string> ResultsSheetNames(const std::vector<ResultsSection> &sections)
{
    std::vector<std::string> names;
    QSet<QByteArray> taken;  // spreadsheet programs tell sheet names apart without letter case
    for (const ResultsSection &section : sections) {
        std::string base = section.whole() ? Text8(QStringLiteral("Výpis ")) : Text8(section.name());
        if (!section.whole()) {
            for (char &c : base)
                if (BadInSheetName(c))
                    c = '_';
            base = TrimmedName(base.substr(0, MaxSheetName));
            if (base.empty())
                base = "_";
        }
        std::string name = base;
        for (int n = 2; taken.contains(QByteArray::fromStdString(Lowered(TrimmedName(name)))); ++n) {
            const std::string suffix = " (" + std::to_string(n) + ")";
            name = TrimmedName(base.substr(0, MaxSheetName - suffix.size())) + suffix;
        }
        taken.insert(QByteArray::fromStdString(Lowered(TrimmedName(name))));
        names.push_back(name);
    }
    return names;
}

void SaveResultsWorkbook(const QString &path, const std::vector<ResultsSection> &sections, const QString &moment)
{
    if (sections.empty())
        throw std::runtime_error("sešit bez listu");
    TvteXLSWorkbook workbook;
    TvteExcelWriter writer;
    workbook.Clear();
    const std::vector<std::string> names = ResultsSheetNames(sections);
    for (size_t i = 0; i < sections.size(); ++i) {
        TvteXLSWorksheet *sheet = workbook.AddSheet();
        sheet->SetName(names[i]);
        FillResultsSheet(*sheet, sections[i], moment);
    }
    writer.SaveToFile(workbook, QFile::encodeName(path).toStdString());
}
