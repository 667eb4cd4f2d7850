#pragma once
// What the data-file tests share: the failure prefix the operator sees, the
// bytes of a file as they are on disk, and a record made from a time text.
#include "DayTime.h"
#include "TimeRecord.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>

inline const QString Prefix = QStringLiteral("Nemohu zapsat soubor dat: ");

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

inline TimeRecordPtr Record(int number, const char *time, int penalty = 0, int lap = 0)
{
    auto r = std::make_shared<TimeRecord>();
    r->Number = number;
    r->Time = TextToDayTime(QString::fromLatin1(time));
    r->Penalty = penalty;
    r->Lap = lap;
    return r;
}
