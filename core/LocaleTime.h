#pragma once
// The user's time format as the program writes times of the wall clock (the
// event log, the header of the results workbook): the locale's long time
// format less any time-zone field, which many Qt locales add and which has no
// place beside a time of day.
#include <QLocale>
#include <QString>

// The locale's long time format without any time-zone part ("t", "tttt" ...).
QString LongTimeFormat(const QLocale &locale);

// A time format with every time-zone field and the blanks after it removed.
QString WithoutTimeZone(const QString &format);
