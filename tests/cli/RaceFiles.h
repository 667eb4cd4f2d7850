#pragma once
// Data files and racer files for the command's tests, written as the program
// writes them.
#include "Cp1250.h"
#include "RacerDirectory.h"
#include "RacerFile.h"

#include <QFile>
#include <QString>
#include <map>
#include <vector>

struct Passage {
    int number;
    const char *time;
    int penalty = 0;
};

// One data file line per passage, laps counted per number as a save does.
inline QByteArray DataFileBytes(const std::vector<Passage> &passages)
{
    QString text;
    std::map<int, int> laps;
    for (const Passage &p : passages)
        text += QStringLiteral("\"%1\",\"\",\"%2\",\"%3\",\"00:00:00,000\",\"%4\"\r\n")
                    .arg(p.number)
                    .arg(QString::fromLatin1(p.time))
                    .arg(++laps[p.number])
                    .arg(p.penalty);
    return ToCp1250(text);
}

inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
