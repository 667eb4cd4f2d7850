#include "Cp1250Codec.h"

namespace cp1250 {
namespace {

// The byte of every UTF-16 unit, 0 where the code page has none (unit 0
// itself is never looked up here).  Built at compile time from the byte
// table, so the two directions cannot disagree.
struct ByteTable {
    std::array<unsigned char, 0x10000> byte{};
    constexpr ByteTable()
    {
        for (unsigned b = 1; b < 256; ++b)
            byte[kUnits[b]] = static_cast<unsigned char>(b);
    }
};
constexpr ByteTable kBytes;

struct LowerTable {
    std::array<unsigned char, 256> map{};
    constexpr LowerTable()
    {
        for (int b = 0; b < 256; ++b)
            map[b] = static_cast<unsigned char>(b);
        for (int b = 'A'; b <= 'Z'; ++b)
            map[b] = static_cast<unsigned char>(b + 0x20);
        // Š Ś Ť Ž Ź sit 0x10 below their small letters.
        for (int b : {0x8A, 0x8C, 0x8D, 0x8E, 0x8F})
            map[b] = static_cast<unsigned char>(b + 0x10);
        map[0xA3] = 0xB3;  // Ł
        map[0xA5] = 0xB9;  // Ą
        map[0xAA] = 0xBA;  // Ş
        map[0xAF] = 0xBF;  // Ż
        map[0xBC] = 0xBE;  // Ľ
        for (int b = 0xC0; b <= 0xDE; ++b)
            if (b != 0xD7)
                map[b] = static_cast<unsigned char>(b + 0x20);
    }
};
constexpr LowerTable kLower;

constexpr bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

char FromUnit(char16_t unit)
{
    if (unit < 0x80)
        return static_cast<char>(unit);
    const unsigned char byte = kBytes.byte[unit];
    return byte ? static_cast<char>(byte) : '?';
}

void Decode(const char *bytes, std::size_t count, char16_t *out)
{
    for (std::size_t i = 0; i < count; ++i)
        out[i] = kUnits[static_cast<unsigned char>(bytes[i])];
}

std::size_t Encode(const char16_t *units, std::size_t count, char *out)
{
    char *const start = out;
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80) {  // most of a data file
            *out++ = static_cast<char>(unit);
            continue;
        }
        // One character outside the Basic Multilingual Plane: one question mark.
        if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(units[i + 1]))
            ++i;
        const unsigned char byte = kBytes.byte[unit];
        *out++ = byte ? static_cast<char>(byte) : '?';
    }
    return static_cast<std::size_t>(out - start);
}

std::u16string ToUtf16(std::string_view bytes)
{
    std::u16string text(bytes.size(), u'\0');
    Decode(bytes.data(), bytes.size(), text.data());
    return text;
}

std::string FromUtf16(std::u16string_view text)
{
    std::string bytes(text.size(), '\0');
    bytes.resize(Encode(text.data(), text.size(), bytes.data()));
    return bytes;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (kLower.map[static_cast<unsigned char>(a[i])] != kLower.map[static_cast<unsigned char>(b[i])])
            return false;
    }
    return true;
}

}  // namespace cp1250
