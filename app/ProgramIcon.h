#pragma once
// The program's own icon: a stopwatch in the green of the number display,
// painted here at the usual icon sizes, so that no image file has to travel
// with the program.  Set once at start for every window; needs a GUI
// application.
#include <QIcon>

QIcon ProgramIcon();
