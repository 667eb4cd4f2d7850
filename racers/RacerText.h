#pragma once
// The one rule for a racer's texts (name, category), wherever they come from:
// the racer file, a CSV import or a value typed into the grid.  A grid cell,
// the lists, the spectator window and the files all show one line read left
// to right, so a character that breaks the line becomes a blank, and one that
// is not seen at all (Unicode's format characters: zero-width spaces and
// joiners, the byte order mark, the direction marks, embeddings, overrides
// and isolates) goes: two names that look the same must be the same.
#include <QString>

// Control characters (C0, DEL, C1) and the line and paragraph separators
// become blanks; every character of the general category Cf is removed.
QString OneLineText(const QString &text);
