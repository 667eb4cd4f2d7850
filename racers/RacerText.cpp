#include "RacerText.h"

namespace {

bool BreaksTheLine(char16_t c)
{
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return true;  // C0, DEL and C1 controls
    if (c == 0x2028 || c == 0x2029)
        return true;  // line and paragraph separators
    // Embeddings and overrides (LRE RLE PDF LRO RLO) and isolates (LRI RLI FSI
    // PDI): a name holding one could show another racer's text reversed.
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

QString OneLineText(QString text)
{
    for (QChar &c : text)
        if (BreaksTheLine(c.unicode()))
            c = QLatin1Char(' ');
    return text;
}
