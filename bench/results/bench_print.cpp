// The PDF of the results: 5,000 result rows (three laps each, so two split
// times a row, in 8 categories) written as "PDF..." and tikomat-results --pdf
// write them, laid out, painted and the font embedded, into memory.
//
//   BM_ResultsPdf/0: the whole ranking; /1: every category on pages of its own.
//   pdf_s is the wall-clock time of one PDF (median of the iterations), the
//   figure that must stay under 2 s; pages and kilobytes describe the file.
#include "ResultsPages.h"

#include "BenchTiming.h"

#include <QBuffer>
#include <QPdfWriter>
#include <benchmark/benchmark.h>

namespace {

constexpr int Rows = 5000;

ResultsTable FiveThousandRows()
{
    static const char16_t *const surnames[] = {u"Novák",  u"Dvořák",  u"Procházková", u"Černý",  u"Šťastný",
                                               u"Žáková", u"Růžička", u"Kříž",        u"Veselá", u"Horák"};
    static const char16_t *const names[] = {u"Jan", u"Eduard", u"Marie", u"Petr", u"Jiří", u"Kateřina", u"Tomáš"};
    ResultsTable table;
    std::vector<QString> categories;
    for (int k = 0; k < Rows; ++k) {
        ResultRow row;
        row.number = k + 1;
        row.name = QString::fromUtf16(surnames[k % 10]) + u' ' + QString::fromUtf16(names[k % 7]);
        const QString category = QStringLiteral("KAT%1").arg(k % 8);
        row.caption = QStringLiteral("%1 (%2 (%3))").arg(row.number).arg(row.name, category);
        row.lap = 3;
        row.penalty = k % 13 == 0 ? 10 : 0;
        row.penalized = 30 * 60000 + k * 137;
        row.start = 10 * 3600000;
        row.splits = {20 * 60000 + k * 91, 10 * 60000 + k * 45};
        table.rows.push_back(std::move(row));
        categories.push_back(category);
    }
    table.setCategories(categories);
    return table;
}

void BM_ResultsPdf(benchmark::State &state)
{
    const ResultsTable table = FiveThousandRows();
    const std::vector<ResultsSection> sections = state.range(0) == 0
                                                     ? std::vector<ResultsSection>{ResultsSection(table)}
                                                     : CategorySections(table);
    const PrintMoment moment{QDate(2026, 12, 10), QDateTime(QDate(2026, 12, 11), QTime(8, 5))};
    std::vector<double> seconds;
    QByteArray pdf;
    for (auto _ : state) {
        const auto from = BenchClock::now();
        pdf = ResultsPdf(sections, moment, table.caption);
        const auto to = BenchClock::now();
        state.SetIterationTime(Seconds(from, to));
        seconds.push_back(Seconds(from, to));
    }
    ResultsPages pages(sections, moment);
    QByteArray scratch;
    // Count the pages as the PDF has them: laid out once more on an A4 page.
    {
        QBuffer buffer(&scratch);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        ResultsPages::SetUpPage(writer);
        pages.layOut(writer);
    }
    state.counters["pdf_s"] = Median(seconds);
    state.counters["pages"] = double(pages.pages().size());
    state.counters["kB"] = double(pdf.size()) / 1024;
    state.counters["rows"] = Rows;
}

}  // namespace

BENCHMARK(BM_ResultsPdf)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
