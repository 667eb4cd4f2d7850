// Registrations from CSV: separators, encodings, quoting, column titles, and
// files with rows that cannot be read, which import nothing.
#include "Cp1250.h"
#include "CsvReader.h"
#include "RacerCommands.h"
#include "RacerImport.h"
#include "RacerTable.h"
#include "ScriptedDialogs.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray Utf8(const char *text)
{
    return QByteArray(text);
}

QByteArray Bom(const char *text)
{
    return QByteArray("\xEF\xBB\xBF") + text;
}

QByteArray Cp1250(const char *text)
{
    return ToCp1250(QString::fromUtf8(text));
}

// Rows as "number|name|category", "-" for a missing value.
QStringList Rows(const std::vector<RacerRow> &rows)
{
    QStringList out;
    for (const RacerRow &r : rows)
        out << QStringList{r.number ? QString::number(*r.number) : u"-"_qs, r.name.value_or(u"-"_qs),
                           r.category.value_or(u"-"_qs)}
                   .join(u'|');
    return out;
}

struct ImportCase {
    const char *what;
    QByteArray file;
    QStringList rows;
    QStringList problems;
};

}  // namespace

TEST(RacerImport, FilesThatImport)
{
    const std::vector<ImportCase> cases = {
        {"semicolons, UTF-8 with a byte order mark",
         Bom("Start.číslo;Příjmení, jméno;Kategorie\r\n"
             "12;Novák Jan;MX1\r\n7;Šťastná Eva;Ženy\r\n"),
         {u"12|Novák Jan|MX1"_qs, u"7|Šťastná Eva|Ženy"_qs},
         {}},
        {"commas, UTF-8 without a mark, English titles, any order",
         Utf8("Category,Bib,Name,Email\nOPEN,3,Dvořák Petr,p@x.cz\nMX2,4,Řehoř Jiří,\n"),
         {u"3|Dvořák Petr|OPEN"_qs, u"4|Řehoř Jiří|MX2"_qs},
         {}},
        {"code page 1250, first and last name apart",
         Cp1250("Číslo;Jméno;Příjmení;Kategorie\n1;Jiří;Žák;VETERÁN\n2;Anna;Ňuňková;\n"),
         {u"1|Žák Jiří|VETERÁN"_qs, u"2|Ňuňková Anna|-"_qs},
         {}},
        {"quoted fields: separators, doubled quotes, a line break",
         Utf8("cislo,jmeno a prijmeni,kategorie\n\"5\",\"Novák, Jan\",\"MX\"\"1\"\n"
              "6,\"Dva\nřádky\",OPEN\n"),
         {u"5|Novák, Jan|MX\"1"_qs, u"6|Dva řádky|OPEN"_qs},
         {}},
        {"blank lines, blanks around values, missing values, a last line without a break",
         Utf8("Start. číslo ; Jméno ; Kategorie\n\n 8 ; Jan ;\n;Bez čísla;MX1\n9;;\n;;\n10;Poslední;X"),
         {u"8|Jan|-"_qs, u"-|Bez čísla|MX1"_qs, u"9|-|-"_qs, u"10|Poslední|X"_qs},
         {}},
        {"only the last name column", Utf8("Surname;Class\nNovák;A\n"), {u"-|Novák|A"_qs}, {}},
        {"trailing empty fields", Utf8("Bib;Name\n1;Jan;;\n"), {u"1|Jan|-"_qs}, {}},
    };
    for (const ImportCase &c : cases) {
        SCOPED_TRACE(c.what);
        const RacerImport got = ImportRacersCsv(c.file);
        EXPECT_EQ(got.problems, c.problems);
        EXPECT_EQ(Rows(got.rows), c.rows);
    }
}

TEST(RacerImport, FilesWithProblemsImportNothing)
{
    const QString longName(81, u'x');
    const std::vector<ImportCase> cases = {
        {"numbers that are not integers, each with its line",
         Utf8("cislo;jmeno\n1;A\n1a;B\n3;C\n4.5;D\n"),
         {},
         {u"řádek 3: startovní číslo „1a“ není celé číslo"_qs, u"řádek 5: startovní číslo „4.5“ není celé číslo"_qs}},
        {"a name and a category too long",
         Utf8(("cislo;jmeno;kategorie\n1;" + longName.toStdString() + ";A\n2;B;123456789012345678901\n").c_str()),
         {},
         {u"řádek 2: jméno „"_qs + longName.left(40) + u"…"_qs + longName.right(39) + u"“ je delší než 80 znaků"_qs,
          u"řádek 3: kategorie „123456789012345678901“ je delší než 20 znaků"_qs}},
        {"a megabyte-long category is quoted by its ends",
         Utf8(("cislo;kategorie\n1;MX" + std::string(1 << 20, 'k') + "end\n").c_str()),
         {},
         {u"řádek 2: kategorie „MX"_qs + QString(38, u'k') + u"…"_qs + QString(36, u'k')
          + u"end“ je delší než 20 znaků"_qs}},
        {"an unquoted separator shifts the fields",
         Utf8("Bib,Name,Category\n1,Novák, Jan,MX1\n"),
         {},
         {u"řádek 2: má 4 polí, záhlaví jen 3 (oddělovač uvnitř pole bez uvozovek?)"_qs}},
        {"text after a closing quote",
         Utf8("Bib;Name\n1;\"Jan\"x;\n2;Eva\n"),
         {},
         {u"řádek 2: za uzavírací uvozovkou pokračuje text"_qs}},
        {"a quote never closed",
         Utf8("Bib;Name\n1;Jan\n2;\"Eva\n3;Petr\n"),
         {},
         {u"řádek 3: uvozovky se do konce souboru neuzavřely"_qs}},
        {"no known column",
         Utf8("Email;Telefon\na@b.cz;123\n"),
         {},
         {u"V prvním řádku není sloupec se startovním číslem ani se jménem (např. „Start.číslo“, "
          u"„Příjmení, jméno“, „Jméno“ a „Příjmení“, „Kategorie“), jsou tam: Email, Telefon."_qs}},
        {"an empty file", QByteArray(), {}, {u"Soubor nemá čitelný první řádek s názvy sloupců."_qs}},
    };
    for (const ImportCase &c : cases) {
        SCOPED_TRACE(c.what);
        const RacerImport got = ImportRacersCsv(c.file);
        EXPECT_EQ(got.problems, c.problems);
        EXPECT_EQ(Rows(got.rows), c.rows);
    }
}

TEST(RacerImport, EncodingAndSeparatorAreRecognised)
{
    // Every byte that is not valid UTF-8 makes the whole file code page 1250,
    // the five bytes that page leaves undefined included.
    EXPECT_EQ(DecodeCsvBytes(Cp1250("Žluťoučký kůň")), u"Žluťoučký kůň"_qs);
    EXPECT_EQ(DecodeCsvBytes(QByteArray("a\x81\x98")), QString::fromUtf16(u"a\u0081\u0098"));
    EXPECT_EQ(DecodeCsvBytes(Bom("kůň")), u"kůň"_qs);
    EXPECT_EQ(GuessCsvSeparator(u"\"a;b;c\",d,e\n1;2;3;4"), u',') << "quoted and later separators do not count";
    EXPECT_EQ(GuessCsvSeparator(u"a;b,c"), u';');
    EXPECT_EQ(GuessCsvSeparator(u"jen jeden sloupec"), u';');
}

TEST(RacerImport, CommandAppendsAllOrListsTheProblems)
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    RacerTable table;
    RacerCommands commands(table, dialogs);
    table.setRows({{1, u"Už tu"_qs, std::nullopt}});
    auto importFile = [&](const QByteArray &contents) {
        const QString path = dir.filePath(u"přihlášky.csv"_qs);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(contents);
        f.close();
        dialogs.asked.clear();
        dialogs.answerOpen(path);
        commands.importCsv();
    };

    QByteArray bad = "Bib;Name\n";
    for (int i = 0; i < 20; ++i)
        bad += QByteArray::number(i) + (i % 2 ? "x" : "") + ";Jan\n";
    importFile(bad);
    ASSERT_EQ(dialogs.messages().size(), 1);
    const QString message = dialogs.messages()[0];
    EXPECT_TRUE(message.startsWith(u"Ze souboru přihlášky.csv nebyl importován žádný závodník"_qs));
    EXPECT_TRUE(message.contains(u"řádek 3: startovní číslo „1x“ není celé číslo"_qs));
    EXPECT_TRUE(message.endsWith(u"řádek 21: startovní číslo „19x“ není celé číslo"_qs))
        << "ten problems, all listed: " << message.toStdString();
    EXPECT_EQ(table.size(), 1) << "nothing is imported half";

    QByteArray many = "Bib;Name\n";
    for (int i = 0; i < 40; ++i)
        many += "x;Jan\n";
    importFile(many);
    EXPECT_TRUE(dialogs.messages()[0].endsWith(u"… a 25 dalších."_qs)) << dialogs.messages()[0].toStdString();

    importFile("Bib;Name;Category\n2;Nový;MX1\n;Bez čísla;\n");
    EXPECT_EQ(dialogs.messages(), QStringList{u"Ze souboru přihlášky.csv přidáno závodníků: 2."_qs});
    EXPECT_EQ(Rows(table.rows()), (QStringList{u"1|Už tu|-"_qs, u"2|Nový|MX1"_qs, u"-|Bez čísla|-"_qs}));
    const FileRequest &request = dialogs.asked[0].request;
    EXPECT_EQ(request.title, u"Importovat závodníky ze souboru CSV..."_qs);
    EXPECT_EQ(request.defaultSuffix, u"csv"_qs);
}

namespace {

struct DuplicateCase {
    const char *what;
    std::vector<RacerRow> table;  // before the import
    QByteArray file;
    QString choice;    // the button pressed; empty: no question may come
    QStringList rows;  // the table afterwards
    QString listed;    // the numbers the question lists
    QString message;   // the last message, which ends the import
};

}  // namespace

TEST(RacerImport, NumbersAlreadyInTheTableAreAskedAboutFirst)
{
    const std::vector<RacerRow> race = {
        {12, u"Novák Jan"_qs, u"MX1"_qs}, {13, u"Dvořák Petr"_qs, u"OPEN"_qs}, {std::nullopt, u"Bez čísla"_qs, {}}};
    const QByteArray again = "Bib;Name;Category\n12;Novák Jan;MX2\n14;Nová Eva;Ženy\n13;Dvořák Petr;\n;Anonym;OPEN\n";
    const std::vector<DuplicateCase> cases = {
        {"no number in the table: imported without a question",
         race,
         "Bib;Name\n20;Malá Iva\n",
         {},
         {u"12|Novák Jan|MX1"_qs, u"13|Dvořák Petr|OPEN"_qs, u"-|Bez čísla|-"_qs, u"20|Malá Iva|-"_qs},
         {},
         u"Ze souboru přihlášky.csv přidáno závodníků: 1."_qs},
        {"Aktualizovat: name and category from the file, the rest appended",
         race,
         again,
         u"Aktualizovat"_qs,
         {u"12|Novák Jan|MX2"_qs, u"13|Dvořák Petr|-"_qs, u"-|Bez čísla|-"_qs, u"14|Nová Eva|Ženy"_qs,
          u"-|Anonym|OPEN"_qs},
         u"12, 13"_qs,
         u"Ze souboru přihlášky.csv přidáno závodníků: 2.\nAktualizováno závodníků: 2."_qs},
        {"Přeskočit: existing rows kept, the rest appended",
         race,
         again,
         u"Přeskočit"_qs,
         {u"12|Novák Jan|MX1"_qs, u"13|Dvořák Petr|OPEN"_qs, u"-|Bez čísla|-"_qs, u"14|Nová Eva|Ženy"_qs,
          u"-|Anonym|OPEN"_qs},
         u"12, 13"_qs,
         u"Ze souboru přihlášky.csv přidáno závodníků: 2.\nPonecháno beze změny: 2."_qs},
        {"Storno: nothing imported",
         race,
         again,
         u"Storno"_qs,
         {u"12|Novák Jan|MX1"_qs, u"13|Dvořák Petr|OPEN"_qs, u"-|Bez čísla|-"_qs},
         u"12, 13"_qs,
         {}},
        {"the same file twice, Přeskočit: nothing added",
         {{14, u"Nová Eva"_qs, u"Ženy"_qs}},
         "Bib;Name;Category\n14;Nová Eva;Ženy\n",
         u"Přeskočit"_qs,
         {u"14|Nová Eva|Ženy"_qs},
         u"14"_qs,
         u"Ze souboru přihlášky.csv přidáno závodníků: 0.\nPonecháno beze změny: 1."_qs},
        {"a number the table holds twice: both rows updated",
         {{7, u"Starý"_qs, {}}, {8, u"Jiný"_qs, {}}, {7, u"Také starý"_qs, u"X"_qs}},
         "Bib;Name;Class\n7;Nový;MX1\n",
         u"Aktualizovat"_qs,
         {u"7|Nový|MX1"_qs, u"8|Jiný|-"_qs, u"7|Nový|MX1"_qs},
         u"7"_qs,
         u"Ze souboru přihlášky.csv přidáno závodníků: 0.\nAktualizováno závodníků: 1."_qs},
        {"a number repeated within the file: a bad row with its lines, nothing imported",
         race,
         "Bib;Name\n30;Prvni\n31;Druhy\n30;Opakovany\n12;Novák Jan\n30;Zase\n",
         {},
         {u"12|Novák Jan|MX1"_qs, u"13|Dvořák Petr|OPEN"_qs, u"-|Bez čísla|-"_qs},
         {},
         u"Ze souboru přihlášky.csv nebyl importován žádný závodník, tyto řádky nelze přečíst:\n\n"
         u"řádek 4: startovní číslo 30 už je na řádku 2\n"
         u"řádek 6: startovní číslo 30 už je na řádku 2"_qs},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(u"přihlášky.csv"_qs);
    for (const DuplicateCase &c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDialogs dialogs;
        RacerTable table;
        RacerCommands commands(table, dialogs);
        table.setRows(c.table);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.file);
        f.close();
        dialogs.answerOpen(path);
        if (!c.choice.isEmpty())
            dialogs.answerChoice(c.choice);
        commands.importCsv();

        EXPECT_EQ(Rows(table.rows()), c.rows);
        EXPECT_EQ(dialogs.count(ScriptedDialogs::Asked::Choice), c.choice.isEmpty() ? 0 : 1);
        EXPECT_TRUE(dialogs.choices.empty()) << "the question was asked";
        for (const ScriptedDialogs::Asked &a : dialogs.asked) {
            if (a.kind != ScriptedDialogs::Asked::Choice)
                continue;
            EXPECT_EQ(a.buttons, (QStringList{u"Aktualizovat"_qs, u"Přeskočit"_qs, u"Storno"_qs}));
            EXPECT_TRUE(a.text.contains(u"\n"_qs + c.listed + u"\n"_qs)) << a.text.toStdString();
        }
        EXPECT_EQ(dialogs.messages().value(0), c.message) << "one report at the end, or none";
        EXPECT_LE(dialogs.messages().size(), 1);
    }
}
