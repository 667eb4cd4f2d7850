#pragma once
// The error the program's own code throws: a failure whose text is meant for
// the operator (a file that cannot be written, a racer file that cannot be
// read), already in Czech or the system's own words.
#include <QString>
#include <stdexcept>

class TikomatError : public std::runtime_error {
public:
    explicit TikomatError(const QString &message) : std::runtime_error(message.toStdString()), text(message) {}
    QString text;
};
