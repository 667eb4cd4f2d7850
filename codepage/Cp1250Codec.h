#pragma once
// Code page 1250 (Windows-1250), the 8-bit encoding of the data file, the
// event log and the workbook texts, and its mapping to UTF-16.
//
// One table-driven codec for the whole program: core/Cp1250 wraps it for
// QString and QByteArray, the spreadsheet writer uses it on std::string.
// It must never depend on Qt, a locale or a conversion library, and must
// never stop on any input: every byte decodes to exactly one unit, and
// every unit (or surrogate pair) encodes to exactly one byte.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace cp1250 {

namespace detail {
// The units of the bytes 0x80 to 0xFF.  The five bytes the code page leaves
// undefined (0x81 0x83 0x88 0x90 0x98) stand for the control characters of
// the same value, so that an old file holding them loads and saves unchanged.
inline constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};
}  // namespace detail

// The unit of every byte, looked up without a branch.
inline constexpr std::array<char16_t, 256> kUnits = [] {
    std::array<char16_t, 256> units{};
    for (unsigned byte = 0; byte < 256; ++byte)
        units[byte] = byte < 0x80 ? static_cast<char16_t>(byte) : detail::kHighHalf[byte - 0x80];
    return units;
}();

constexpr char16_t ToUnit(unsigned char byte)
{
    return kUnits[byte];
}

// The byte of one unit; '?' for a unit the code page cannot hold (surrogates included).
char FromUnit(char16_t unit);

// `count` bytes to as many units at `out`.
void Decode(const char *bytes, std::size_t count, char16_t *out);

// `count` units to at most as many bytes at `out`; returns how many.  A unit
// the code page cannot hold becomes '?', a surrogate pair one '?'.
std::size_t Encode(const char16_t *units, std::size_t count, char *out);

std::u16string ToUtf16(std::string_view bytes);
std::string FromUtf16(std::u16string_view text);

// Equality of two code page 1250 texts without regard to letter case.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace cp1250
