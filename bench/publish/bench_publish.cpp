// How long the results site takes to make, off the window's thread, for
// 10,000 rows in 10 categories (the site then has 14 files, about 5 MB).
//
//   BM_SiteFiles: the site's files rendered from the results document.
//   BM_SiteWrite: the same, then written to the staging folder, every page
//     changed (a new time of update each round), as the publisher does it
//     after every change of the results.
#include "ResultsSite.h"
#include "SiteStage.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int Rows = 10000;
constexpr int Categories = 10;

SiteContent Race(const QDateTime &updated)
{
    auto table = std::make_shared<ResultsTable>();
    std::vector<QString> categories;
    for (int n = 1; n <= Rows; ++n) {
        ResultRow row;
        row.number = n;
        row.name = QStringLiteral("Příjmení Jméno %1").arg(n);
        row.caption = QStringLiteral("%1 (%2)").arg(n).arg(row.name);
        row.lap = 3;
        row.start = 36000000;
        row.penalized = 1200000 + n * 100;
        row.splits = {400000 + n * 30, 800000 + n * 60};
        table->rows.push_back(row);
        categories.push_back(QStringLiteral("Kategorie %1").arg(n % Categories + 1));
    }
    table->setCategories(categories);
    SiteContent content;
    content.snapshot.caption = QStringLiteral("Velká cena");
    content.snapshot.results = table;
    content.updated = updated;
    return content;
}

void BM_SiteFiles(benchmark::State &state)
{
    const SiteContent content = Race(QDateTime(QDate(2026, 12, 11), QTime(14, 42, 5)));
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<SiteFile> files = ResultsSiteFiles(content);
        bytes = 0;
        for (const SiteFile &file : files)
            bytes += size_t(file.bytes.size());
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["site_kb"] = double(bytes) / 1024.0;
}
BENCHMARK(BM_SiteFiles)->Unit(benchmark::kMillisecond);

void BM_SiteWrite(benchmark::State &state)
{
    QTemporaryDir dir;
    SiteStage stage(dir.filePath(QStringLiteral("site")));
    SiteContent content = Race(QDateTime(QDate(2026, 12, 11), QTime(14, 42, 5)));
    QString error;
    qsizetype changed = 0;
    for (auto _ : state) {
        content.updated = content.updated.addSecs(1);
        changed = stage.write(ResultsSiteFiles(content), &error).size();
    }
    state.counters["files_written"] = double(changed);
    if (!error.isEmpty())
        state.SkipWithError(error.toUtf8().constData());
}
BENCHMARK(BM_SiteWrite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
