#include "DayTime.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// A DayTime that stands for a whole number of milliseconds is rarely exact in
// binary: 10:05:00,000 minus 10:00:00,000 comes out a few billionths of a
// millisecond short.  Such noise is absorbed before truncating, while genuine
// fractions of a millisecond (from the clock) are still cut, never rounded.
constexpr double NoiseMs = 1e-5;  // 10 ns, far below anything the clock gives

int64_t TruncatedMilliseconds(double ms)
{
    if (!std::isfinite(ms))
        return 0;
    constexpr double limit = 9.0e18;  // stay inside the 64-bit range
    if (ms >= limit)
        return static_cast<int64_t>(limit);
    if (ms <= -limit)
        return -static_cast<int64_t>(limit);
    const double nearest = std::nearbyint(ms);
    if (std::fabs(ms - nearest) < NoiseMs)
        return static_cast<int64_t>(nearest);
    return static_cast<int64_t>(ms);  // truncates toward zero
}

void AppendPadded(QString &out, int64_t value, int width)
{
    QString digits = QString::number(value < 0 ? -value : value);
    if (value < 0)
        out += QLatin1Char('-');
    for (qsizetype i = digits.size(); i < width; ++i)
        out += QLatin1Char('0');
    out += digits;
}

}  // namespace

QString DayTimeToText(DayTime d)
{
    double seconds = d * SecondsPerDay;
    if (seconds < 0)
        seconds += 1;  // one second, not one day: a quirk the display relies on
    const int64_t total = TruncatedMilliseconds(seconds * 1000.0);

    QString out;
    out.reserve(12);
    AppendPadded(out, total / 3600000, 2);
    out += QLatin1Char(':');
    AppendPadded(out, (total / 60000) % 60, 2);
    out += QLatin1Char(':');
    AppendPadded(out, (total / 1000) % 60, 2);
    out += QLatin1Char(',');
    AppendPadded(out, total % 1000, 3);
    return out;
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
    auto field = [&text](qsizetype from, qsizetype length) {
        return ReadIntField(QStringView(text).mid(from, length), 0);
    };
    // The mid() of a QStringView must stay inside the text.
    auto safeField = [&](qsizetype from, qsizetype length) {
        if (from >= text.size())
            return 0;
        return field(from, std::min(length, text.size() - from));
    };
    const int64_t hours = safeField(0, 2);
    const int64_t minutes = safeField(3, 2);
    const int64_t seconds = safeField(6, 2);
    const int64_t millis = safeField(9, 3);
    // Whole milliseconds, divided once: a time text read and written again is
    // unchanged, and differences of two read times are exact milliseconds.
    const int64_t total = ((hours * 60 + minutes) * 60 + seconds) * 1000 + millis;
    return static_cast<double>(total) / MillisecondsPerDay;
}
