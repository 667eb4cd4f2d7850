#pragma once
// What the data-file tests share: the failure prefix the operator sees and the
// bytes of a file as they are on disk.
#include <QByteArray>
#include <QFile>
#include <QString>

inline const QString Prefix = QStringLiteral("Nemohu zapsat soubor dat: ");

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}
