#include "LocaleTime.h"

QString LongTimeFormat(const QLocale &locale)
{
    return WithoutTimeZone(locale.timeFormat(QLocale::LongFormat));
}

QString WithoutTimeZone(const QString &format)
{
    // Walk the format, keeping quoted literals as they are, and drop every run
    // of the time-zone letter "t" with the blanks after it.
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == u't') {
            while (i + 1 < format.size() && format.at(i + 1) == u't')
                ++i;
            // blanks on both sides of the zone collapse into the one kept before it
            while (i + 1 < format.size() && format.at(i + 1) == u' ')
                ++i;
        } else {
            out += c;
        }
    }
    return out.trimmed();
}
