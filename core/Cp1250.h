#pragma once
// Conversion between the program's QString texts and code page 1250, the
// encoding of the data file and the event log.  Done at the file boundary only.
#include <QByteArray>
#include <QString>

// Characters that code page 1250 cannot hold become "?"; nothing is cut or shifted.
QByteArray ToCp1250(QStringView text);

// Every byte yields exactly one character; the five bytes the code page leaves
// undefined (0x81 0x83 0x88 0x90 0x98) become U+0081 ... U+0098 so that they
// survive a load and a save unchanged.
QString FromCp1250(QByteArrayView bytes);
