#pragma once
// How the spectator list's columns share the window's width: every column
// but "Poznámka" as wide as its widest text, so that a racer's caption
// ("12 (Pospíšilová Zuzana (Ž40))") is read whole from afar, and "Poznámka"
// the rest, cut at its right end.  When the contents do not fit at the list's
// type size, the type gets smaller a pixel at a time, then narrower (a
// condensed face), but never below SpectatorMinimumPixels; the title strip
// with the running time is not touched.
//
// The spectator window calls FitSpectatorColumns after every refill and every
// change of its width, and applies the result to its list.  It only measures
// texts; it never reads widgets or the results.
#include <QFont>
#include <QStringList>
#include <vector>

struct SpectatorColumnFit {
    QFont font;                  // the list's type from now on
    std::vector<int> widths;     // one per sized column, in pixels, padding included
    bool fits = false;           // false: even the smallest type is too wide, and
                                 // the first column (the captions) takes what is left
    bool wholeCaptions = false;  // the headings have room too
    bool narrow = false;         // the condensed face (DejaVu Sans Condensed) where installed
};

constexpr int SpectatorListPixels = 53;
constexpr int SpectatorMinimumPixels = 48;

// `columns` holds, for each column before "Poznámka", every text it shows;
// `captions` their headings, which are shown whole only where there is room
// for them too.  `padding` is what a cell adds to its text; `available` the
// width of the list's viewport.
// `face` is the list's regular type; its size is chosen here.
SpectatorColumnFit FitSpectatorColumns(const QFont &face, const std::vector<QStringList> &columns,
                                       const QStringList &captions, int padding, int available);
