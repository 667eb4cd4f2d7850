#include "RacerImport.h"

#include "CsvReader.h"
#include "QuotedInput.h"
#include "RacerTable.h"
#include "RacerText.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <optional>

namespace {

enum Role { Number, FullName, FirstName, LastName, Category, RoleCount };

// Column titles as registration exports write them, compared without case,
// diacritics, blanks and punctuation ("Start. číslo" is "startcislo").
const std::array<QStringList, RoleCount> &Titles()
{
    static const std::array<QStringList, RoleCount> titles = {{
        {"startcislo", "startovnicislo", "cislo", "stc", "startnumber", "number", "bib", "bibnumber", "no", "c"},
        {"prijmenijmeno", "jmenoaprijmeni", "prijmeniajmeno", "jmenoprijmeni", "zavodnik", "name", "fullname", "racer",
         "rider"},
        {"jmeno", "krestnijmeno", "firstname", "givenname", "forename"},
        {"prijmeni", "lastname", "surname", "familyname"},
        {"kategorie", "kat", "category", "class", "trida"},
    }};
    return titles;
}

QString TitleKey(const QString &title)
{
    const QString decomposed = title.normalized(QString::NormalizationForm_D).toCaseFolded();
    QString key;
    for (QChar c : decomposed)
        if (c.isLetterOrNumber())
            key += c;
    return key;
}

// Column of each role, or -1.
std::array<int, RoleCount> MapColumns(const QStringList &header)
{
    std::array<int, RoleCount> column;
    column.fill(-1);
    for (int i = 0; i < header.size(); ++i) {
        const QString key = TitleKey(header[i]);
        for (int role = 0; role < RoleCount; ++role)
            if (column[size_t(role)] < 0 && Titles()[size_t(role)].contains(key)) {
                column[size_t(role)] = i;
                break;
            }
    }
    return column;
}

QString Field(const CsvRecord &record, int column)
{
    return column >= 0 && column < record.fields.size() ? OneLineText(record.fields[column]).simplified() : QString();
}

std::optional<QString> Text(const QString &text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

// One registration as a racer row; the reason when it cannot be read.
QString ReadRacer(const CsvRecord &record, const std::array<int, RoleCount> &column, bool split, qsizetype headerWidth,
                  RacerRow &row)
{
    for (qsizetype i = headerWidth; i < record.fields.size(); ++i)
        if (!record.fields[i].trimmed().isEmpty())
            return QStringLiteral("má %1 polí, záhlaví jen %2 (oddělovač uvnitř pole bez uvozovek?)")
                .arg(record.fields.size())
                .arg(headerWidth);
    QString name = Field(record, column[FullName]);
    if (split)
        name = QStringList{Field(record, column[LastName]), Field(record, column[FirstName])}
                   .join(QLatin1Char(' '))
                   .trimmed();
    const QString number = Field(record, column[Number]), category = Field(record, column[Category]);
    bool ok = true;
    if (!number.isEmpty())
        row.number = number.toInt(&ok);
    if (!ok)
        return QStringLiteral("startovní číslo „%1“ není celé číslo").arg(QuotedInput(number));
    if (name.size() > RacerTable::NameSize)
        return QStringLiteral("jméno „%1“ je delší než %2 znaků").arg(QuotedInput(name)).arg(RacerTable::NameSize);
    if (category.size() > RacerTable::CategorySize)
        return QStringLiteral("kategorie „%1“ je delší než %2 znaků")
            .arg(QuotedInput(category))
            .arg(RacerTable::CategorySize);
    row.name = Text(name);
    row.category = Text(category);
    return {};
}

}  // namespace

RacerImport ImportRacersCsv(const QByteArray &bytes)
{
    RacerImport out;
    const QString text = DecodeCsvBytes(bytes);
    const CsvContents csv = ReadCsv(text, GuessCsvSeparator(text));
    if (csv.records.empty() || (!csv.problems.empty() && csv.problems.front().line < csv.records.front().line)) {
        out.problems << QStringLiteral("Soubor nemá čitelný první řádek s názvy sloupců.");
        return out;
    }
    const CsvRecord &header = csv.records.front();
    const std::array<int, RoleCount> column = MapColumns(header.fields);
    const bool split = column[FullName] < 0 && (column[FirstName] >= 0 || column[LastName] >= 0);
    if (column[Number] < 0 && column[FullName] < 0 && !split) {
        out.problems << QStringLiteral("V prvním řádku není sloupec se startovním číslem ani se jménem "
                                       "(např. „Start.číslo“, „Příjmení, jméno“, „Jméno“ a „Příjmení“, "
                                       "„Kategorie“), jsou tam: %1.")
                            .arg(QuotedInput(header.fields.join(QStringLiteral(", "))));
        return out;
    }

    std::vector<CsvProblem> problems = csv.problems;
    QHash<int, int> lineOfNumber;  // the first line of each start number
    for (size_t r = 1; r < csv.records.size(); ++r) {
        RacerRow row;
        const int line = csv.records[r].line;
        QString problem = ReadRacer(csv.records[r], column, split, header.fields.size(), row);
        // One registration per start number: a second one is a mistake in
        // the file that no question about the table can settle.
        if (problem.isEmpty() && row.number) {
            const auto first = lineOfNumber.constFind(*row.number);
            if (first != lineOfNumber.cend())
                problem = QStringLiteral("startovní číslo %1 už je na řádku %2").arg(*row.number).arg(*first);
            else
                lineOfNumber.insert(*row.number, line);
        }
        if (!problem.isEmpty())
            problems.push_back({line, problem});
        else if (row.number || row.name || row.category)  // not a row of other columns only
            out.rows.push_back(std::move(row));
    }
    if (!problems.empty()) {
        std::sort(problems.begin(), problems.end(),
                  [](const CsvProblem &a, const CsvProblem &b) { return a.line < b.line; });
        out.rows.clear();
        for (const CsvProblem &p : problems)
            out.problems << QStringLiteral("řádek %1: %2").arg(p.line).arg(p.text);
    }
    return out;
}
