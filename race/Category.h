#pragma once
// How the program tells categories apart wherever it groups racers by one:
// the results document's categories and the race sheet's finish rules.
#include <QString>

// The category of the racers the racer table gives none, or does not know.
inline const QString NoCategoryName = QStringLiteral("<nezadáná kategorie>");

// What tells two categories apart: the text without its surrounding blanks
// and without regard to letter case (Unicode case folding, which knows Czech
// letters whatever the system's locale).  Empty for no category at all.
QString CategoryKey(const QString &category);
