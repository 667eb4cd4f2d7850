#include "DayTime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// A DayTime that stands for a whole number of milliseconds is rarely exact in
// binary: 10:05:00,000 minus 10:00:00,000 comes out a few billionths of a
// millisecond short.  Such noise is absorbed before truncating, while genuine
// fractions of a millisecond (from the clock) are still cut, never rounded.
constexpr double NoiseMs = 1e-5;  // 10 ns, far below anything the clock gives

// Snaps a count of milliseconds that lies within the noise of a whole one onto
// it; anything else is left as it is.
double WithoutNoise(double ms)
{
    const double nearest = std::nearbyint(ms);
    return std::fabs(ms - nearest) < NoiseMs ? nearest : ms;
}

int64_t TruncatedMilliseconds(double ms)
{
    if (!std::isfinite(ms))
        return 0;
    constexpr double limit = 9.0e18;  // stay inside the 64-bit range
    if (ms >= limit)
        return static_cast<int64_t>(limit);
    if (ms <= -limit)
        return -static_cast<int64_t>(limit);
    return static_cast<int64_t>(ms);  // truncates toward zero
}

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

int64_t WholeMilliseconds(DayTime d)
{
    double ms = WithoutNoise(d * SecondsPerDay * 1000.0);
    if (ms < 0)
        ms += 1000;  // one second, not one day: the running time before a start relies on it
    return TruncatedMilliseconds(ms);
}

QString DayTimeToText(DayTime d)
{
    const int64_t total = WholeMilliseconds(d);

    char16_t buffer[64];
    char16_t *p = buffer;
    p = WritePadded(p, total / 3600000, 2);
    *p++ = u':';
    p = WritePadded(p, (total / 60000) % 60, 2);
    *p++ = u':';
    p = WritePadded(p, (total / 1000) % 60, 2);
    *p++ = u',';
    p = WritePadded(p, total % 1000, 3);
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
    // Whole milliseconds, divided once: a time text read and written again is
    // unchanged, and differences of two read times are exact milliseconds.
    const int64_t total = ((hours * 60 + minutes) * 60 + seconds) * 1000 + millis;
    return static_cast<double>(total) / MillisecondsPerDay;
}
