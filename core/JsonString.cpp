#include "JsonString.h"

#include <QChar>

void AppendJsonString(QByteArray &json, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    json += '"';
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            if (c == u'"' || c == u'\\') {
                json += '\\';
                json += char(c);
            } else if (c < 0x20) {
                const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                json.append(escape, sizeof escape);
            } else {
                json += char(c);
            }
            continue;
        }
        if (QChar::isSurrogate(c)) {
            if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
            else
                c = QChar::ReplacementCharacter;
        }
        char bytes[4];
        qsizetype n = 0;
        if (c < 0x800) {
            bytes[n++] = char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            bytes[n++] = char(0xE0 | (c >> 12));
            bytes[n++] = char(0x80 | ((c >> 6) & 0x3F));
        } else {
            bytes[n++] = char(0xF0 | (c >> 18));
            bytes[n++] = char(0x80 | ((c >> 12) & 0x3F));
            bytes[n++] = char(0x80 | ((c >> 6) & 0x3F));
        }
        bytes[n++] = char(0x80 | (c & 0x3F));
        json.append(bytes, n);
    }
    json += '"';
}
