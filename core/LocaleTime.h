#pragma once
// The user's time format as the program writes times of the wall clock: the
// locale's long time format, less any time-zone field (a Windows-style long
// time such as "9:05:07" has none, while many Qt locales add one).
#include <QLocale>
#include <QString>

// The locale's long time format without any time-zone part ("t", "tttt" ...).
QString LongTimeFormat(const QLocale &locale);

// A time format with every time-zone field and the blanks after it removed.
QString WithoutTimeZone(const QString &format);
