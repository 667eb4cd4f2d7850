#pragma once
// Lets GoogleTest print Qt texts readably when an expectation fails.
#include <QString>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
