// The printed results read back from the PDF with pdftotext: every row on
// its section's pages in ranking order, the header and the page numbers on
// every page, Czech letters intact, names cut instead of overlapping, split
// times wrapped and never lost.
#include "PdfText.h"
#include "QtPrinters.h"
#include "ResultsFixtures.h"
#include "ResultsPages.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

const PrintMoment Moment{QDate(2026, 12, 10), QDateTime(QDate(2026, 12, 11), QTime(8, 5))};

// A row named as the racer table names people, with a time that grows with n.
ResultRow Named(int number, const QString &name, int n, std::vector<DayTime> splits = {})
{
    ResultRow row = Result(number, "00:10:00,000", 1, 0, std::move(splits));
    row.penalized += n * 1000;
    row.name = name;
    row.caption = QStringLiteral("%1 (%2)").arg(number).arg(name);
    return row;
}

// The captions of the rows a page shows, top to bottom.
QStringList CaptionsOn(const QString &page)
{
    static const QRegularExpression caption(QStringLiteral("\\b(\\d+ \\([^)]*\\))"));
    QStringList found;
    for (auto it = caption.globalMatch(page); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

void ExpectFrame(const QString &page, int index, int pages, const QString &caption)
{
    SCOPED_TRACE(QStringLiteral("page %1").arg(index + 1).toStdString());
    EXPECT_TRUE(page.contains(caption)) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("Datum závodu: 10. 12. 2026")));
    EXPECT_TRUE(page.contains(QStringLiteral("Vytištěno: 11. 12. 2026 8:05")));
    EXPECT_TRUE(page.contains(ResultsPages::PageNumberText(index + 1, pages))) << page.toStdString();
}

TEST(ResultsPagesTest, EveryCategoryOnPagesOfItsOwnWithEveryRowInOrder)
{
    // Three categories, one of them longer than a page, and names holding
    // every letter of the Czech alphabet with a diacritic, both cases.
    const std::vector<QString> names = {QStringLiteral("Žluťoučký Kůň"),   QStringLiteral("Úpěl Ďábelské"),
                                        QStringLiteral("Ódy Řehoř"),       QStringLiteral("Šťastná Ňadra"),
                                        QStringLiteral("Čížek Éva"),       QStringLiteral("Ýlka Íčko"),
                                        QStringLiteral("ŮÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ")};
    std::vector<ResultRow> rows;
    std::vector<QString> categories;
    for (int n = 0; n < 120; ++n) {
        rows.push_back(Named(n + 1, names[size_t(n) % names.size()] + QStringLiteral(" %1").arg(n + 1), n));
        categories.push_back(n % 4 == 0   ? QStringLiteral("ŽENY")
                             : n % 4 == 1 ? QStringLiteral("VETERÁN")
                                          : QStringLiteral("MX1"));
    }
    const auto table = Table(rows, categories);
    ASSERT_EQ(table->categories.size(), 3u);
    const std::vector<ResultsSection> sections = CategorySections(*table);

    const QStringList pages = PdfText(ResultsPdf(sections, Moment, table->caption));
    ASSERT_GE(pages.size(), 4);
    int page = 0;
    for (const ResultsSection &section : sections) {
        SCOPED_TRACE(section.name().toStdString());
        QStringList shown;
        const int first = page;
        while (page < pages.size() && pages[page].contains(section.caption())) {
            ExpectFrame(pages[page], page, int(pages.size()), section.caption());
            EXPECT_TRUE(pages[page].contains(QStringLiteral("Pořadí")));
            shown += CaptionsOn(pages[page]);
            ++page;
        }
        EXPECT_GT(page, first) << "no page of its own";
        QStringList expected;
        for (int k = 0; k < section.size(); ++k)
            expected << section.row(k).caption;
        EXPECT_EQ(shown, expected);
    }
    EXPECT_EQ(page, pages.size());
    EXPECT_TRUE(pages.join(QString()).contains(QStringLiteral("ŮÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ")));
    EXPECT_TRUE(pages.join(QString()).contains(QStringLiteral("Žluťoučký Kůň")));
    EXPECT_TRUE(pages.join(QString()).contains(QStringLiteral("Výpis závodníků – VETERÁN")));
}

TEST(ResultsPagesTest, TwoHundredRowsFillEveryPageButTheLast)
{
    std::vector<ResultRow> rows;
    for (int n = 1; n <= 200; ++n)
        rows.push_back(Named(n, QStringLiteral("Novák %1").arg(n), n));
    const auto table = Table(rows);
    const QStringList pages = PdfText(ResultsPdf({ResultsSection(*table)}, Moment, table->caption));
    ASSERT_GE(pages.size(), 2);

    const qsizetype perPage = CaptionsOn(pages.front()).size();
    ASSERT_GT(perPage, 20);
    EXPECT_EQ(pages.size(), (200 + perPage - 1) / perPage) << perPage << " rows a page";
    QStringList shown;
    for (int p = 0; p < pages.size(); ++p) {
        ExpectFrame(pages[p], p, int(pages.size()), QStringLiteral("Výpis závodníků"));
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Pořadí")));
        const QStringList on = CaptionsOn(pages[p]);
        if (p + 1 < pages.size()) {
            EXPECT_EQ(on.size(), perPage) << "page " << p + 1;
        }
        shown += on;
    }
    ASSERT_EQ(shown.size(), 200);
    for (int n = 1; n <= 200; ++n)
        EXPECT_EQ(shown[n - 1], QStringLiteral("%1 (Novák %1)").arg(n));
}

TEST(ResultsPagesTest, EmptyResultsPrintOnePageSayingSo)
{
    const auto table = Table({});
    const QStringList pages = PdfText(ResultsPdf({ResultsSection(*table)}, Moment, table->caption));
    ASSERT_EQ(pages.size(), 1);
    ExpectFrame(pages.front(), 0, 1, QStringLiteral("Výpis závodníků"));
    EXPECT_TRUE(pages.front().contains(QStringLiteral("Žádné výsledky")));
}

// Names are set letter by letter: a search for "Žofie" in the PDF finds it,
// where a ligature would have made it "Žo\ufb01e".
TEST(ResultsPagesTest, NamesAreSetWithoutLigaturesSoThatTheyAreFoundAsTyped)
{
    const auto table = Table({Named(7, u"Žofie Fialová"_qs, 1), Named(8, u"Ruffle Efficient"_qs, 2)});
    const QStringList pages = PdfText(ResultsPdf({ResultsSection(*table)}, Moment, table->caption));
    ASSERT_EQ(pages.size(), 1);
    for (const QString &name : {u"Žofie Fialová"_qs, u"Ruffle Efficient"_qs})
        EXPECT_TRUE(pages.front().contains(name)) << name.toStdString() << "\n" << pages.front().toStdString();
}

TEST(ResultsPagesTest, LongNameIsCutBeforeTheTimeAndSplitsWrapInTheirCell)
{
    std::vector<DayTime> splits;
    for (int s = 1; s <= 7; ++s)
        splits.push_back(T("00:01:00,000") + s * 1111);
    const QString longName = QStringLiteral("Dlouhojmenný ") + QString(120, u'W');
    const auto table = Table({Named(7, longName, 0, splits), Named(8, QStringLiteral("Krátký Petr"), 1)});
    const QStringList pages = PdfText(ResultsPdf({ResultsSection(*table)}, Moment, table->caption));
    ASSERT_EQ(pages.size(), 1);
    const QString &page = pages.front();

    // The cut name ends in "…" and the time stands apart after it, on its line.
    static const QRegularExpression cut(QStringLiteral("7 \\(Dlouhojmenný W+…\\s+00:10:00,000"));
    EXPECT_TRUE(cut.match(page).hasMatch()) << page.toStdString();
    EXPECT_FALSE(page.contains(longName));

    // Every split, in order, before the next racer's row.
    qsizetype at = 0;
    for (DayTime split : splits) {
        const qsizetype found = page.indexOf(DayTimeToText(split), at);
        EXPECT_GT(found, at) << DayTimeToText(split).toStdString();
        at = found;
    }
    EXPECT_GT(page.indexOf(QStringLiteral("8 (Krátký Petr)")), at);
    // Wrapped: the cell holds more than one line, never all seven on one.
    const QString firstLine = page.mid(page.indexOf(QStringLiteral("7 (")), 400).section(u'\n', 0, 0);
    EXPECT_LT(firstLine.count(QStringLiteral(",")), 7) << firstLine.toStdString();
}

TEST(ResultsPagesTest, SplitsTallerThanAPageGoOnOverTheNextWithoutLoss)
{
    // A day-long race: 400 laps of one racer, ranked with his splits.
    std::vector<DayTime> splits;
    for (int s = 0; s < 400; ++s)
        splits.push_back(T("00:02:00,000") + s * 60000 + s);
    const auto table = Table(
        {Named(5, QStringLiteral("Vytrvalý Jan"), 0, splits), Named(6, QStringLiteral("Druhý Ota"), 1)});
    const QStringList pages = PdfText(ResultsPdf({ResultsSection(*table)}, Moment, table->caption));
    ASSERT_GE(pages.size(), 2);
    const QString all = pages.join(QString());
    qsizetype at = 0;
    for (DayTime split : splits) {
        const qsizetype found = all.indexOf(DayTimeToText(split), at);
        ASSERT_GE(found, at) << "lost " << DayTimeToText(split).toStdString();
        at = found;
    }
    for (int p = 0; p < pages.size(); ++p)
        ExpectFrame(pages[p], p, int(pages.size()), QStringLiteral("Výpis závodníků"));
    // Every page the row goes on over says whose splits they are.
    EXPECT_TRUE(pages[1].contains(QStringLiteral("5 (Vytrvalý Jan)")));
    EXPECT_TRUE(pages.back().contains(QStringLiteral("6 (Druhý Ota)")));
}

}  // namespace
