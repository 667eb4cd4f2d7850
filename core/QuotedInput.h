#pragma once
// What a message shows of an input it quotes.  A name, a category, a path or
// a value that is refused may be as long as the file or command line it came
// from; the message must stay readable (a box that fits the screen, one line
// on standard error), so it quotes a long input cut to its beginning and its
// end.  The window's messages and the command's use this one helper.
#include <QString>

// How many characters of an input a message quotes at most.
constexpr qsizetype QuotedInputLimit = 80;

// `input` as a message quotes it: at most QuotedInputLimit characters (code
// points); a longer one keeps its beginning and its end with "…" in between,
// so that a path keeps its file name and a name both its parts.  Characters
// that break a line become blanks, so that the quote stays on its line.
QString QuotedInput(const QString &input);

// A control character (C0, DEL, C1) or the line or paragraph separator: a
// blank in a quote here, and in a racer's texts.
bool BreaksTheLine(char32_t c);
