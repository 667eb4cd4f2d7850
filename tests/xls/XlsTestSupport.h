#pragma once
// Helpers for the spreadsheet writer tests: the stream of a workbook, its
// records, byte comparisons that name the first differing offset, and 8-bit
// texts from UTF-16 literals.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "Cp1250Codec.h"
#include "vteExcel.h"
#include "vteWriters.h"

namespace xlstest {

using ByteVector = std::vector<std::uint8_t>;

inline std::string Cp(std::u16string_view text)
{
    return cp1250::FromUtf16(text);
}

inline ByteVector StreamOf(const TvteXLSWorkbook &book, TvteExcelWriter *writer = nullptr)
{
    TvteExcelWriter local;
    TvteMemoryStream stream;
    (writer ? *writer : local).WriteWorkbook(book, stream);
    return ByteVector(stream.Bytes().begin(), stream.Bytes().end());
}

struct Rec {
    std::uint16_t id = 0;
    std::size_t offset = 0;  // of the record header in the stream
    ByteVector data;
};

// Splits a stream into records; fails the test when a length runs past the end.
inline std::vector<Rec> Records(const ByteVector &bytes)
{
    std::vector<Rec> out;
    std::size_t at = 0;
    while (at + 4 <= bytes.size()) {
        Rec r;
        r.id = static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
        const std::size_t len = bytes[at + 2] | bytes[at + 3] << 8;
        r.offset = at;
        if (at + 4 + len > bytes.size()) {
            ADD_FAILURE() << "record at " << at << " runs past the end of the stream";
            break;
        }
        r.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                      bytes.begin() + static_cast<std::ptrdiff_t>(at + 4 + len));
        out.push_back(std::move(r));
        at += 4 + len;
    }
    EXPECT_EQ(at, bytes.size()) << "trailing bytes after the last record";
    return out;
}

inline std::vector<Rec> RecordsWithId(const std::vector<Rec> &records, std::uint16_t id)
{
    std::vector<Rec> out;
    for (const Rec &r : records)
        if (r.id == id)
            out.push_back(r);
    return out;
}

// "09 00 64 00" -> bytes; "20*95" repeats a byte.
inline ByteVector Hex(const std::string &text)
{
    ByteVector out;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        const auto star = token.find('*');
        const unsigned value = static_cast<unsigned>(std::stoul(token.substr(0, star), nullptr, 16));
        const std::size_t times = star == std::string::npos ? 1 : std::stoul(token.substr(star + 1));
        out.insert(out.end(), times, static_cast<std::uint8_t>(value));
    }
    return out;
}

inline std::string HexOf(const ByteVector &bytes, std::size_t from, std::size_t count)
{
    std::string out;
    char buf[4];
    for (std::size_t i = from; i < bytes.size() && i < from + count; ++i) {
        std::snprintf(buf, sizeof buf, "%02X ", bytes[i]);
        out += buf;
    }
    return out;
}

inline ::testing::AssertionResult SameBytes(const ByteVector &actual, const ByteVector &expected)
{
    const std::size_t common = std::min(actual.size(), expected.size());
    std::size_t at = 0;
    while (at < common && actual[at] == expected[at])
        ++at;
    if (at == common && actual.size() == expected.size())
        return ::testing::AssertionSuccess();
    const std::size_t from = at >= 4 ? at - 4 : 0;
    return ::testing::AssertionFailure() << "first difference at offset " << at << " (sizes " << actual.size()
                                         << " and " << expected.size() << ")\n  actual   from " << from << ": "
                                         << HexOf(actual, from, 16) << "\n  expected from " << from << ": "
                                         << HexOf(expected, from, 16);
}

inline std::uint16_t U16At(const ByteVector &b, std::size_t at)
{
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
inline std::uint32_t U32At(const ByteVector &b, std::size_t at)
{
    return static_cast<std::uint32_t>(U16At(b, at)) | static_cast<std::uint32_t>(U16At(b, at + 2)) << 16;
}

}  // namespace xlstest
