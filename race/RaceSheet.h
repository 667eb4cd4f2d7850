#pragma once
// The race sheet as values: what a race holds besides its records.  Each
// category may have a finish rule (after so many laps, after so many minutes
// from the race start, or at a time of day), one rule standing for every
// category without a rule of its own; a racer may have a status (never
// started, did not finish, disqualified, with a reason).
//
// Plain values, no file and no signal: RaceSheetStore keeps the race's sheet
// and changes it; the results computation reads it; RaceSheetFile reads and
// writes its file.
#include "DayTime.h"

#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// A racer's status besides racing.
enum class RacerStatus : int8_t { None, DNF, DSQ, DNS };

// "DNF", "DSQ", "DNS"; empty for None.
QString StatusCode(RacerStatus status);
// "Nedokončil", "Diskvalifikován", "Nestartoval"; empty for None.
QString StatusName(RacerStatus status);
// The status a code names, exactly as StatusCode writes it; nothing for any
// other text (None has no code).
std::optional<RacerStatus> StatusOfCode(QStringView code);

// A racer's status and why.
struct StatusEntry {
    RacerStatus status = RacerStatus::None;
    QString reason;  // may be empty; a status of None has none

    bool none() const { return status == RacerStatus::None; }
    bool operator==(const StatusEntry &) const = default;
};

// The longest reason a status may carry, in characters.
constexpr int MaxStatusReason = 200;

// When a category's race ends.
struct FinishRule {
    enum class Kind : int8_t { None, Laps, Minutes, At };
    Kind kind = Kind::None;
    int32_t count = 0;  // Laps: laps; Minutes: minutes since the race start
    DayTime at = 0;     // At: the time of day

    static FinishRule Laps(int32_t laps) { return {Kind::Laps, laps, 0}; }
    static FinishRule Minutes(int32_t minutes) { return {Kind::Minutes, minutes, 0}; }
    static FinishRule At(DayTime time) { return {Kind::At, 0, time}; }

    bool none() const { return kind == Kind::None; }
    // Whether a sheet may hold it: laps 1 to MaxFinishLaps, minutes 1 to
    // MaxFinishMinutes, a time of day from 00:00:00,000 to 23:59:59,999.
    bool valid() const;
    bool operator==(const FinishRule &) const = default;
};

constexpr int32_t MaxFinishLaps = 1000;
constexpr int32_t MaxFinishMinutes = 1440;

// How the operator reads a rule: "bez konce", "5 kol", "30 minut",
// "v 14:42:00,000".
QString FinishRuleText(const FinishRule &rule);

class RaceSheet {
public:
    // A rule as the sheet holds it: the category as it was written ("" the
    // rule for every category without one of its own).
    struct CategoryRule {
        QString category;
        FinishRule rule;
        bool operator==(const CategoryRule &) const = default;
    };

    bool empty() const { return m_rules.empty() && m_statuses.empty(); }

    // The rule written for this category (categories compared as CategoryKey
    // compares them; "" names the rule for every other category); a none rule
    // when there is none.
    FinishRule ownRule(const QString &category) const;
    // The rule that ends this category's race: its own, else the one for
    // every other category.  The racers without a category are a category
    // of their own: an empty text or NoCategoryName names them.
    FinishRule ruleFor(const QString &category) const;
    // Sets the category's own rule; a none rule removes it.
    void setRule(const QString &category, const FinishRule &rule);
    // Every rule, the one for every other category first, then by category.
    const std::vector<CategoryRule> &rules() const { return m_rules; }
    // Whether any rule is held.
    bool hasRules() const { return !m_rules.empty(); }

    // The racer's status; None when there is none.
    StatusEntry status(int32_t number) const;
    // Sets the racer's status; None removes it (and its reason).
    void setStatus(int32_t number, const StatusEntry &entry);
    // Every status, by start number.
    const std::map<int32_t, StatusEntry> &statuses() const { return m_statuses; }

    bool operator==(const RaceSheet &) const = default;

private:
    std::vector<CategoryRule> m_rules;
    std::map<int32_t, StatusEntry> m_statuses;
};

// The start numbers a status may be given to: those of racers, not the race
// start's.
constexpr int32_t MaxStatusNumber = 9999;
