#include "Cp1250.h"

#include <QtGlobal>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

// The five bytes code page 1250 leaves undefined.  The C library refuses them,
// yet an old data file may hold them; they pass through as U+0081 ... U+0098.
constexpr bool IsUndefinedByte(unsigned v)
{
    return v == 0x81 || v == 0x83 || v == 0x88 || v == 0x90 || v == 0x98;
}

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char *NativeUtf16 = "UTF-16LE";
#else
constexpr const char *NativeUtf16 = "UTF-16BE";
#endif

// One converter pair per thread: iconv descriptors keep state, and the event
// log converts on the communication thread as well as on the main thread.
class Converters {
public:
    Converters()
        : toCp(iconv_open("CP1250", NativeUtf16)), fromCp(iconv_open(NativeUtf16, "CP1250"))
    {
        if (toCp == Invalid || fromCp == Invalid)
            qWarning("Code page 1250 conversion is not available; texts are written as Latin-1");
    }
    ~Converters()
    {
        if (toCp != Invalid)
            iconv_close(toCp);
        if (fromCp != Invalid)
            iconv_close(fromCp);
    }
    Converters(const Converters &) = delete;
    Converters &operator=(const Converters &) = delete;

    static inline const iconv_t Invalid = reinterpret_cast<iconv_t>(-1);
    iconv_t toCp;
    iconv_t fromCp;
};

Converters &ThreadConverters()
{
    thread_local Converters converters;
    return converters;
}

QString Latin1Fallback(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.data(), bytes.size());
}

QByteArray Latin1FallbackOut(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text)
        out += c.unicode() < 0x100 ? char(c.unicode()) : '?';
    return out;
}

}  // namespace

QString FromCp1250(QByteArrayView bytes)
{
    Converters &conv = ThreadConverters();
    if (conv.fromCp == Converters::Invalid)
        return Latin1Fallback(bytes);
    iconv(conv.fromCp, nullptr, nullptr, nullptr, nullptr);

    // Every byte of the code page is one character of the Basic Multilingual
    // Plane, so the result has exactly as many UTF-16 units as there are bytes.
    QString out(bytes.size(), Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *dest = reinterpret_cast<char *>(out.data());
    size_t destLeft = size_t(out.size()) * sizeof(char16_t);

    while (inLeft > 0) {
        if (iconv(conv.fromCp, &in, &inLeft, &dest, &destLeft) != size_t(-1))
            break;
        if (destLeft < sizeof(char16_t))
            break;  // cannot happen: one unit per byte
        // An undefined byte (or any byte the library refuses): keep it as the
        // control character of the same value, never stop or lose the rest.
        const char16_t c = static_cast<unsigned char>(*in);
        std::memcpy(dest, &c, sizeof c);
        dest += sizeof c;
        destLeft -= sizeof c;
        ++in;
        --inLeft;
    }
    out.resize((reinterpret_cast<QChar *>(dest) - out.constData()));
    return out;
}

QByteArray ToCp1250(QStringView text)
{
    Converters &conv = ThreadConverters();
    if (conv.toCp == Converters::Invalid)
        return Latin1FallbackOut(text);
    iconv(conv.toCp, nullptr, nullptr, nullptr, nullptr);

    // At most one byte per UTF-16 unit.
    QByteArray out(text.size(), Qt::Uninitialized);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.data()));
    size_t inLeft = size_t(text.size()) * sizeof(char16_t);
    char *dest = out.data();
    size_t destLeft = size_t(out.size());

    while (inLeft > 0) {
        if (iconv(conv.toCp, &in, &inLeft, &dest, &destLeft) != size_t(-1))
            break;
        if (destLeft == 0)
            break;  // cannot happen: at most one byte per unit
        char16_t c;
        std::memcpy(&c, in, sizeof c);
        size_t consumed = sizeof c;
        if (errno == EILSEQ && QChar::isHighSurrogate(c) && inLeft >= 2 * sizeof c) {
            char16_t low;
            std::memcpy(&low, in + sizeof c, sizeof low);
            if (QChar::isLowSurrogate(low))
                consumed = 2 * sizeof c;  // one character outside the plane: one "?"
        }
        if (errno == EINVAL)
            consumed = inLeft;  // a high surrogate at the very end
        *dest++ = IsUndefinedByte(c) ? char(c) : '?';
        --destLeft;
        in += consumed;
        inLeft -= consumed;
    }
    out.resize(dest - out.constData());
    return out;
}
