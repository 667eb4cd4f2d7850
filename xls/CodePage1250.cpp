#include "CodePage1250.h"

#include <array>

namespace vte {
namespace {



struct LowerTable {
    std::array<unsigned char, 256> map{};
    constexpr LowerTable() {
        for (int b = 0; b < 256; ++b) map[b] = static_cast<unsigned char>(b);
        for (int b = 'A'; b <= 'Z'; ++b) map[b] = static_cast<unsigned char>(b + 0x20);
        // Š Ś Ť Ž Ź sit 0x10 below their small letters.
        for (int b : {0x8A, 0x8C, 0x8D, 0x8E, 0x8F}) map[b] = static_cast<unsigned char>(b + 0x10);
        map[0xA3] = 0xB3;  // Ł
        map[0xA5] = 0xB9;  // Ą
        map[0xAA] = 0xBA;  // Ş
        map[0xAF] = 0xBF;  // Ż
        map[0xBC] = 0xBE;  // Ľ
        for (int b = 0xC0; b <= 0xDE; ++b)
            if (b != 0xD7) map[b] = static_cast<unsigned char>(b + 0x20);
    }
};
constexpr LowerTable kLower;

}  // namespace

std::string Cp1250FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit < 0x80) {
            out.push_back(static_cast<char>(unit));
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;  // one character outside the code page, one question mark
            out.push_back('?');
            continue;
        }
        char found = '?';
        for (std::size_t k = 0; k < detail::kCp1250HighHalf.size(); ++k) {
            if (detail::kCp1250HighHalf[k] == unit) {
                found = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.push_back(found);
    }
    return out;
}


bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (kLower.map[static_cast<unsigned char>(a[i])] != kLower.map[static_cast<unsigned char>(b[i])])
            return false;
    }
    return true;
}

}  // namespace vte
