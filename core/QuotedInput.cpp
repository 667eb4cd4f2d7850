#include "QuotedInput.h"

namespace {

// Code units of the first `count` code points of `text`.
qsizetype UnitsOfFirst(const QString &text, qsizetype count)
{
    qsizetype i = 0;
    for (; count > 0 && i < text.size(); --count)
        i += text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
    return i;
}

// Code units of the last `count` code points of `text`.
qsizetype UnitsOfLast(const QString &text, qsizetype count)
{
    qsizetype i = text.size();
    for (; count > 0 && i > 0; --count)
        i -= text[i - 1].isLowSurrogate() && i >= 2 && text[i - 2].isHighSurrogate() ? 2 : 1;
    return text.size() - i;
}

}  // namespace

bool BreaksTheLine(char32_t c)
{
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return true;                    // C0, DEL and C1 controls
    return c == 0x2028 || c == 0x2029;  // line and paragraph separators
}

QString QuotedInput(const QString &input)
{
    QString quoted = input;
    // A code point takes one or two units: within the limit in units, it is
    // within it in characters.
    if (quoted.size() > QuotedInputLimit && UnitsOfFirst(quoted, QuotedInputLimit) < quoted.size()) {
        // The beginning gets the odd character: it is what a reader looks at first.
        const qsizetype keep = QuotedInputLimit - 1;
        const qsizetype head = UnitsOfFirst(quoted, keep - keep / 2);
        const qsizetype tail = UnitsOfLast(quoted, keep / 2);
        quoted = quoted.left(head) + QChar(u'…') + quoted.right(tail);
    }
    for (QChar &c : quoted)
        if (BreaksTheLine(c.unicode()))
            c = u' ';
    return quoted;
}
