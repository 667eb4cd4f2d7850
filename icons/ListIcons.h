#pragma once
// The 16 x 16 icons of the program's lists, all painted here, once, on first
// use, and kept for the whole run.  The impulse lists (desk) and the record
// list (results) take their icons from here, so the lists look alike and no
// icon is painted twice.  Needs a GUI application; paints nothing else.
#include <QIcon>

enum class ListIcon {
    Impulse,       // an impulse row: a light arrow
    Preselection,  // a preselected number: a red disc with a white cross
    BlueFlag,      // a passage
    RedFlag,       // a passage on the most laps
    GoldStar,      // a race start
    ChequeredFlag, // a racer whose race is over; "Cílová vlajka"
};

QIcon ListIconOf(ListIcon which);
