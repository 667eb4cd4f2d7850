#include "RacerText.h"

#include "QuotedInput.h"

#include <algorithm>

namespace {

// Invisible: it only steers how the characters around it join, break or
// run (a direction mark, an override, a zero-width space), or marks text
// for machines (the byte order mark, tags).  A name holding one looks like
// a name without it, yet differs from it and sorts apart.
bool Invisible(char32_t c)
{
    return QChar::category(c) == QChar::Other_Format;
}

}  // namespace

QString OneLineText(const QString &text)
{
    const auto needsWork = [](QChar c) {
        const char16_t u = c.unicode();
        return BreaksTheLine(u) || c.isSurrogate() || Invisible(u);
    };
    if (std::none_of(text.cbegin(), text.cend(), needsWork))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        qsizetype units = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        if (BreaksTheLine(c))
            out += u' ';
        else if (!Invisible(c))
            out.append(text.constData() + i, units);
        i += units - 1;
    }
    return out;
}
