#pragma once
// The window's side of the race sheet: the dialog "Pravidla závodu..." and
// the status menu of the results list and the record list.  What they change
// is worked out by the plain functions here; the window hands the change to
// the timing desk, one undo step each.
#include "RaceSheet.h"
#include "SheetChange.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QLabel;
class QMenu;
class QSpinBox;
struct ResultsTable;

// The caption of the rule for every category without one of its own.
QString OtherCategoriesText();

// The rows the rules dialog offers, each with the category's own rule: every
// other category ("") first, then each named category of the ranking, then
// the categories the sheet has a rule for that the ranking lacks.
std::vector<RaceSheet::CategoryRule> RulesOffered(const RaceSheet &sheet, const ResultsTable &table);
// The change that gives each category of `chosen` its rule: one edit per
// category whose own rule differs; empty when nothing differs.
SheetChange RulesChange(const RaceSheet &sheet, const std::vector<RaceSheet::CategoryRule> &chosen);
// The change that gives racer `number` the status `after` (None clears it).
SheetChange StatusChange(const RaceSheet &sheet, int32_t number, const StatusEntry &after);

// "Pravidla závodu...": one row per category, each "bez konce", "N kol" or
// "T minut" (a time-of-day rule the flag wrote is offered as it is).
class RulesDialog : public QDialog {
    Q_OBJECT
public:
    // `rulesApply` false (laps mode 1): the dialog says the rules do not apply.
    RulesDialog(const std::vector<RaceSheet::CategoryRule> &offered, bool rulesApply, QWidget *parent = nullptr);

    // The rules as the controls set them, in the offered order.
    std::vector<RaceSheet::CategoryRule> chosen() const;

    // The row's controls (tests set them as the operator would).
    QComboBox *kindBox(int row) const { return m_rows[size_t(row)].kind; }
    QSpinBox *countBox(int row) const { return m_rows[size_t(row)].count; }

private:
    struct Row {
        RaceSheet::CategoryRule offered;
        QComboBox *kind = nullptr;
        QSpinBox *count = nullptr;
    };
    std::vector<Row> m_rows;
};

// The status menu for racer `number`, whose status is `now`: "Nestartoval
// (DNS)", "Nedokončil (DNF)", "Diskvalifikován (DSQ)..." and "Zrušit stav";
// each action carries its RacerStatus as data (None for clearing).
QMenu *StatusMenu(int32_t number, const StatusEntry &now, QWidget *parent);
