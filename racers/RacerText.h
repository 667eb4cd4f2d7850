#pragma once
// The one rule for a racer's texts (name, category), wherever they come from:
// the racer file, a CSV import or a value typed into the grid.  A grid cell,
// the lists, the spectator window and the files all show one line read left
// to right, so a character that breaks the line or reorders what follows it
// becomes a blank.
#include <QString>

// Control characters (C0, DEL, C1), the line and paragraph separators and the
// bidirectional embeddings, overrides and isolates become blanks; nothing is
// removed, so the text keeps its length.
QString OneLineText(QString text);
