#include "DayTime.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// Writes value with at least `width` digits; a negative value gets its sign
// in front of the zeros.
char16_t *WritePadded(char16_t *out, int64_t value, int width)
{
    uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    if (value < 0)
        *out++ = u'-';
    char16_t digits[20];
    int n = 0;
    do {
        digits[n++] = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (int i = n; i < width; ++i)
        *out++ = u'0';
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

}  // namespace

QString DayTimeToText(DayTime d)
{
    // One second, not one day: the running time before a start relies on it.
    const int64_t total = d < 0 ? d + MsPerSecond : d;

    char16_t buffer[64];
    char16_t *p = buffer;
    p = WritePadded(p, total / MsPerHour, 2);
    *p++ = u':';
    p = WritePadded(p, (total / MsPerMinute) % 60, 2);
    *p++ = u':';
    p = WritePadded(p, (total / MsPerSecond) % 60, 2);
    *p++ = u',';
    p = WritePadded(p, total % MsPerSecond, 3);
    return QString(reinterpret_cast<const QChar *>(buffer), p - buffer);
}

int ReadIntField(QStringView text, int fallback)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return fallback;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return fallback;
        value = value * 10 + (c - u'0');
        if (value > int64_t(std::numeric_limits<int>::max()) + 1)
            return fallback;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return fallback;
    return static_cast<int>(value);
}

DayTime TextToDayTime(const QString &text)
{
    return TextToDayTime(QStringView(text));
}

DayTime TextToDayTime(QStringView text)
{
    // A field is the substring at its positions, shorter or empty if the text
    // ends early.
    auto field = [text](qsizetype from, qsizetype length) {
        if (from >= text.size())
            return 0;
        return ReadIntField(text.mid(from, std::min(length, text.size() - from)), 0);
    };
    const int64_t hours = field(0, 2);
    const int64_t minutes = field(3, 2);
    const int64_t seconds = field(6, 2);
    const int64_t millis = field(9, 3);
    return hours * MsPerHour + minutes * MsPerMinute + seconds * MsPerSecond + millis;
}
