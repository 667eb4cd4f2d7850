#include "Cp1250.h"

#include "Cp1250Codec.h"

QString FromCp1250(QByteArrayView bytes)
{
    // Every byte of the code page is one character of the Basic Multilingual
    // Plane, so the text has exactly as many UTF-16 units as there are bytes.
    QString out(bytes.size(), Qt::Uninitialized);
    cp1250::Decode(bytes.data(), size_t(bytes.size()), reinterpret_cast<char16_t *>(out.data()));
    return out;
}

QByteArray ToCp1250(QStringView text)
{
    // At most one byte per UTF-16 unit.
    QByteArray out(text.size(), Qt::Uninitialized);
    out.resize(qsizetype(cp1250::Encode(text.utf16(), size_t(text.size()), out.data())));
    return out;
}
