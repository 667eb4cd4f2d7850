#pragma once
// The results document: the ranking one refresh computed, as plain values.
// It holds the caption, the ranking options, one typed row per ranked row
// (overall rank, rank in the category, start number, racer, category, laps,
// time with penalty, penalty, start and split times, all times in ms), and
// the categories with their rows in ranking order.
//
// ResultsBuilder makes it; everything that shows or writes results renders
// it: the results list and the leader, the spectator window, "Export...",
// the web page and its JSON, and tikomat-results.  A made document is never
// changed, so it can be shared between threads (the web server's) and kept by
// whoever renders it for as long as it likes.  It holds no record of the
// store and uses Qt Core only.
#include "Category.h"
#include "DayTime.h"
#include "RaceSheet.h"

#include <QString>
#include <cstdint>
#include <vector>

// The caption of a results list unless one is chosen.
inline const QString DefaultResultsCaption = QStringLiteral("Výpis závodníků");

// One row of the ranking.
struct ResultRow {
    int32_t rank = 0;          // position in the overall ranking, from 1
    int32_t categoryRank = 0;  // position among its category's rows, from 1
    int32_t category = 0;      // index into ResultsTable::categories
    int32_t number = 0;        // start number
    QString caption;           // the racer as the lists name him: "<number> (<racer label>)"
    QString name;              // the racer table's name, empty when it has none
    int32_t lap = 0;
    int32_t penalty = 0;    // whole seconds
    DayTime penalized = 0;  // time since the race start plus the penalty
    DayTime start = 0;      // time of day of the race start it was measured from
    // Laps mode 0: the penalized times of the racer's other passages, in
    // ranking order (its previous lap first).
    std::vector<DayTime> splits;
    // The race sheet's word on the racer: a status (DNF, DSQ, DNS: no rank,
    // rank and categoryRank 0), and whether the racer's race is over (the
    // last counted passage lies at or after the category's finish moment).
    RacerStatus status = RacerStatus::None;
    QString statusReason;
    bool finished = false;
    // A DNS given by hand to a racer who has passages: kept, but suspect.
    bool statusWarning = false;
    // A row with a status shows its laps and time unless it is a DNS or the
    // racer has no passage: its time, lap, penalty and start texts are then
    // empty.  Rows without a status are always timed.
    bool timed() const { return status == RacerStatus::None || (status != RacerStatus::DNS && lap > 0); }

    // What stands where a rank is shown: the rank, or the status's code.
    QString rankText(int32_t shownRank) const;
    // The same as the lists write a rank: "3." or "DNF".
    QString rankLabel(int32_t shownRank) const;
    // "finished", "racing", "DNF", "DSQ", "DNS": what the JSON outputs say.
    QString statusWord() const;
    QString penalizedText() const;  // "Čas vč. trestu"
    QString lapText() const;        // "Kolo"
    QString penaltyText() const;    // "Trest"
    QString startText() const;      // "Start v [hod]"
    // "Poznámka": each split and three blanks; a row with a status begins
    // with its code and reason ("DSQ zkrácení trati   "), a DNS of a racer
    // with passages with "(!)" after the code.
    QString noteText() const;

    bool operator==(const ResultRow &) const = default;
};

struct ResultsCategory {
    QString name;               // as the racer table spells it (its best placed racer's spelling), trimmed
    bool assigned = true;       // false for the racers without a category, named NoCategoryName
    std::vector<int32_t> rows;  // indices into ResultsTable::rows, in ranking order
    // The rule that ends the category's race (none: it does not end), the
    // time of day it ended (-1 while it goes on), and for a laps rule before
    // that the laps its leader still has to ride (-1 otherwise).
    FinishRule finish;
    DayTime moment = -1;
    int32_t lapsToGo = -1;

    bool ended() const { return moment >= 0; }
    // "Zbývají 3 kola", "Poslední kolo", "Cíl"; empty without a rule or
    // before a minutes or time-of-day rule's moment.
    QString finishText() const;

    bool operator==(const ResultsCategory &) const = default;
};

struct ResultsTable {
    QString caption = DefaultResultsCaption;
    int lapsMode = 0;                         // 0 most laps first and one row per racer, 1 laps ignored
    DayTime lastStart = 0;                    // time of day of the last race start, 0 for none
    std::vector<ResultRow> rows;              // the overall ranking, winner first
    std::vector<ResultsCategory> categories;  // by name (Czech order), the one without a category last
    // A race sheet with rules or statuses shaped the ranking: the outputs
    // that only show statuses when there are any look here.
    bool hasSheet = false;

    // The category named `name` (compared as CategoryKey does; NoCategoryName
    // names the racers without one), or -1.
    int findCategory(const QString &name) const;
    // Caption of the first row, or empty.
    QString leader() const { return rows.empty() ? QString() : rows.front().caption; }

    // Gives every row its rank, category rank and category, and makes the
    // categories.  Rows with a status get no rank.  rows must be in ranking order; groupOfRow[k] numbers the
    // category of row k (any numbering), and groupText[g] is the racer
    // table's text of group g, as the row of the best placed racer has it
    // (empty for no category).
    void setCategories(const std::vector<int32_t> &groupOfRow, const std::vector<QString> &groupText);
    // The same from each row's category text (empty for none): for tests and
    // for whoever has rows but no groups.
    void setCategories(const std::vector<QString> &categoryOfRow);

    // The same caption, options, rows and categories (whoever publishes the
    // results can tell a refresh that changed nothing).
    bool operator==(const ResultsTable &) const = default;
};

// One part of a results table as an output shows it: every row (the whole
// ranking) or the rows of one category, ranked within it.
class ResultsSection {
public:
    // category -1: the whole ranking.
    explicit ResultsSection(const ResultsTable &table, int category = -1);

    bool whole() const { return m_category < 0; }
    int category() const { return m_category; }
    // The category's name; empty for the whole ranking.
    QString name() const;
    // The caption an output gives it: the table's caption, for a category
    // followed by " – " and its name.
    QString caption() const;

    int size() const;
    const ResultRow &row(int k) const;
    // The rank the section shows: the overall rank, or the rank in the category.
    int32_t rank(int k) const;
    const ResultsTable &table() const { return *m_table; }

private:
    const ResultsTable *m_table;
    int m_category;
};

// Every category's section, in the table's order.
std::vector<ResultsSection> CategorySections(const ResultsTable &table);
