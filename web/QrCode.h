#pragma once
// A QR code of a short text (the results page's address) as an image that a
// phone's camera reads from the screen or from a printout.
#include <QImage>
#include <QString>

// Black modules on white with the four-module quiet zone, each module
// `scale` pixels; a null image when the text cannot be encoded.
QImage QrCodeImage(const QString &text, int scale);
