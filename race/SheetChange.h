#pragma once
// A change of the race sheet as a value: finish rules and statuses, each
// from what it was to what it becomes, taken together as one step.
// RaceSheetStore::apply is the only code that carries one out; whoever
// changes the sheet (the timing desk's commands, undo and redo, crash
// recovery) builds one of these and hands it over.  `before` lets the store
// refuse a change made for a sheet that has changed since.
//
// A change is journaled as one line per edit (JournalKind::RuleChanged,
// StatusChanged) before it is applied, so that recovery can bring a sheet
// file left by a crash to what the journal says.
#include "JournalEntry.h"
#include "RaceSheet.h"

#include <QStringList>

#include <optional>
#include <vector>

struct SheetEdit {
    enum class Item : int8_t { Rule, Status };
    Item item = Item::Rule;
    QString category;    // Rule: as written ("" for every category without a rule of its own)
    int32_t number = 0;  // Status
    FinishRule ruleBefore, ruleAfter;
    StatusEntry statusBefore, statusAfter;

    static SheetEdit Rule(const QString &category, const FinishRule &before, const FinishRule &after);
    static SheetEdit Status(int32_t number, const StatusEntry &before, const StatusEntry &after);
    // Whether it changes nothing.
    bool idle() const;
    // The edit that takes this one back.
    SheetEdit inverse() const;
    bool operator==(const SheetEdit &) const = default;
};

struct SheetChange {
    std::vector<SheetEdit> edits;  // applied in this order

    bool empty() const { return edits.empty(); }
    SheetChange inverse() const;
    // One journal line per edit that changes something.
    std::vector<JournalEntry> journalLines() const;
    // Whether each edit finds what its `before` says, in `sheet` as the
    // earlier edits of the change leave it.
    bool appliesTo(const RaceSheet &sheet) const;
    // Carries it out on `sheet` (whether or not it applies).
    void applyTo(RaceSheet &sheet) const;
    bool operator==(const SheetChange &) const = default;
};

// The edit one journal line describes; nothing for a line of another kind
// or an item no sheet can hold.
std::optional<SheetEdit> SheetEditOf(const JournalEntry &line);

// The change that brings `sheet` to what the journal's sheet lines leave
// each item they touch in (the last line of each item wins); the items they
// never touch stay as the sheet has them.  Empty when the sheet holds that
// already: a sheet file saved just before a crash gets nothing twice.
SheetChange SheetChangeToward(const std::vector<JournalEntry> &lines, const RaceSheet &sheet);

// "Cílová vlajka": the change that ends the races of `categories` at `now`,
// each given a time-of-day rule.  No categories: every race, the rule for
// every other category and each category's own rule.
SheetChange FinishFlagChange(const RaceSheet &sheet, const QStringList &categories, DayTime now);

// What the undo history calls a change, e.g. "pravidlo kategorie MX1: 5 kol",
// "stav čísla 12: DNF", "zrušení stavu čísla 12", "změna listu závodu (3)".
QString SheetChangeText(const SheetChange &change);
