// Written workbooks read back by two independent readers (python3-olefile
// for the container, python3-xlrd for the workbook) through read_workbook.py.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "XlsTestSupport.h"

using namespace xlstest;
namespace fs = std::filesystem;

namespace {

std::string Utf8(std::u16string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

class XlsReaders : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("tikomat-xls-" + std::to_string(rd()));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    struct Reading {
        int status = -1;
        std::string output;
        ByteVector stream;  // the "Workbook" stream as the container reader found it
    };

    // Saves the workbook and runs the readers on the file.
    Reading SaveAndRead(const TvteXLSWorkbook &book, const std::string &name)
    {
        const fs::path file = dir_ / name;
        const fs::path copy = dir_ / (name + ".stream");
        TvteExcelWriter writer;
        writer.SaveToFile(book, file.string());
        const std::string command = "/usr/bin/python3 '" + std::string(TIKOMAT_XLS_SCRIPTS) + "/read_workbook.py' '"
                                    + file.string() + "' '" + copy.string() + "' 2>&1";
        Reading reading;
        FILE *pipe = popen(command.c_str(), "r");
        if (!pipe)
            return reading;
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            reading.output.append(buffer, n);
        const int status = pclose(pipe);
        reading.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(copy, std::ios::binary);
        reading.stream.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return reading;
    }

    // The reader's lines must match the expected ones after the container lines.
    void ExpectReading(const TvteXLSWorkbook &book, const std::string &name, const std::vector<std::string> &lines)
    {
        const Reading reading = SaveAndRead(book, name);
        ASSERT_EQ(reading.status, 0) << reading.output;
        const ByteVector written = StreamOf(book);
        std::vector<std::string> expected = {"entries Workbook", "stream size " + std::to_string(written.size())};
        expected.insert(expected.end(), lines.begin(), lines.end());
        std::vector<std::string> got;
        std::istringstream in(reading.output);
        for (std::string line; std::getline(in, line);)
            got.push_back(line);
        EXPECT_EQ(got, expected);
        EXPECT_TRUE(SameBytes(reading.stream, written));
    }

    fs::path dir_;
};

const char *kNormal = "weight 100 height 200";
const char *kBold = "weight 1000 height 200";

TEST_F(XlsReaders, ExportLikeSheetWithCzechTextsAndMergedHeader)
{
    TvteXLSWorkbook book;
    book.Clear();
    TvteXLSWorksheet *sheet = book.AddSheet();
    sheet->SetName(Cp(u"Výpis "));
    const std::u16string header = u"     Tikomat - Norvanta, s.r.o.,      Generováno: 10.12.2026 11:49:11";
    TvteXLSRange *range = sheet->Ranges(0, 0, 5, 0);
    range->SetValue(Cp(header));
    range->Font.Size = 10;
    range = sheet->Ranges(0, 1, 2, 1);
    range->SetValue(Cp(u"   Výpis závodníků"));
    range->Font.Size = 10;
    const std::u16string titles[] = {u"Závodník",        u"Čas závodníka", u"Počet kol",
                                     u"Trestné sekundy", u"Čas startu",    u"Poznámka"};
    for (int c = 0; c < 6; ++c)
        sheet->Ranges(c, 2, c, 2)->SetValue(Cp(titles[c]));
    sheet->Ranges(0, 2, 0, 2)->Font.Style = {TvteFontStyle::Bold};
    const int widths[] = {6000, 4000, 3000, 3000, 4000, 5000};
    for (int c = 0; c < 6; ++c)
        sheet->Cols(c)->Width = widths[c];

    std::vector<std::string> lines = {"sheets 1", Utf8(u"sheet Výpis"), "merged rows 0-0 cols 0-5",
                                      "merged rows 1-1 cols 0-2"};
    for (int c = 0; c < 6; ++c)
        lines.push_back("width " + std::to_string(c) + " " + std::to_string(widths[c]));
    lines.push_back(std::string("cell 0 0 ") + kNormal + " text " + Utf8(header));
    lines.push_back(std::string("cell 1 0 ") + kNormal + " text " + Utf8(u"   Výpis závodníků"));
    for (int c = 0; c < 6; ++c)
        lines.push_back("cell 2 " + std::to_string(c) + " " + (c == 0 ? kBold : kNormal) + " text " + Utf8(titles[c]));

    // Forty results rows: more than one block of 32 rows.
    for (int k = 0; k < 40; ++k) {
        const int r = 3 + k;
        const std::u16string name = u"Novák Jiří Žluťoučký " + std::u16string(1, static_cast<char16_t>(u'A' + k % 26));
        const std::u16string time = u"00:" + std::u16string(1, static_cast<char16_t>(u'1' + k % 9)) + u"2:03,456";
        sheet->Ranges(0, r, 0, r)->SetValue(Cp(name));
        sheet->Ranges(1, r, 1, r)->SetValue(Cp(time));
        sheet->Ranges(2, r, 2, r)->SetValue(std::to_string(k % 7));
        lines.push_back("cell " + std::to_string(r) + " 0 " + kNormal + " text " + Utf8(name));
        lines.push_back("cell " + std::to_string(r) + " 1 " + kNormal + " text " + Utf8(time));
        lines.push_back("cell " + std::to_string(r) + " 2 " + kNormal + " text " + std::to_string(k % 7));
    }
    // A note with two lines and a text long enough to continue the string table.
    sheet->Ranges(5, 3, 5, 3)->SetValue(Cp(u"mezičas 1\r\nmezičas 2"));
    lines.insert(lines.begin() + 4 + 6 + 1 + 1 + 6 + 3,
                 std::string("cell 3 5 ") + kNormal + " text " + Utf8(u"mezičas 1\\nmezičas 2"));
    std::u16string longText;
    for (int i = 0; i < 9000; ++i)
        longText += static_cast<char16_t>(u"ěščřžýáíé"[i % 9]);
    sheet->Ranges(3, 42, 3, 42)->SetValue(Cp(longText));
    lines.push_back(std::string("cell 42 3 ") + kNormal + " text " + Utf8(longText));

    ExpectReading(book, "export.xls", lines);
}

TEST_F(XlsReaders, SeveralSheetsWithNumbersOfEveryKind)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *first = book.AddSheet();
    first->Ranges(1, 1, 1, 1)->SetValue(Cp(u"první"));
    TvteXLSWorksheet *numbers = book.AddSheet();
    numbers->SetName(Cp(u"Čísla"));
    const std::vector<std::pair<TvteVariant, std::string>> values = {
        {TvteVariant(std::int16_t{-7}), "number -7.0"},
        {TvteVariant(70000), "number 70000.0"},
        {TvteVariant(std::uint8_t{255}), "number 255.0"},
        {TvteVariant(1.5f), "number 1.5"},
        {TvteVariant(3.25), "number 3.25"},
        {TvteVariant(TvteCurrency{123456}), "number 12.3456"},
        {TvteVariant(false), "text False"},
        {TvteVariant(std::int64_t{-5}), "text -5"}};
    std::vector<std::string> lines = {"sheets 3", "sheet Sheet1",
                                      std::string("cell 1 1 ") + kNormal + " text " + Utf8(u"první"),
                                      Utf8(u"sheet Čísla")};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int r = static_cast<int>(i);
        TvteXLSRange *range = numbers->Ranges(0, r, 1, r);  // merged pairs of cells
        range->SetValue(values[i].first);
        range->Font.Size = 12;
        lines.push_back("merged rows " + std::to_string(r) + "-" + std::to_string(r) + " cols 0-1");
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        lines.push_back("cell " + std::to_string(i) + " 0 weight 100 height 240 " + values[i].second);
    TvteXLSWorksheet *third = book.AddSheet();
    third->Ranges(0, 0, 0, 0)->SetValue(u"wide");
    third->Ranges(2, 0, 2, 0)->Font.Color = 0x123456;  // a colour outside the default palette
    third->Ranges(2, 0, 2, 0)->SetValue("coloured");
    lines.push_back("sheet Sheet3");
    lines.push_back(std::string("cell 0 0 ") + kNormal + " text wide");
    lines.push_back(std::string("cell 0 2 ") + kNormal + " text coloured");

    ExpectReading(book, "sheets.xls", lines);
}

TEST_F(XlsReaders, SavingAgainReplacesTheFile)
{
    TvteXLSWorkbook big;
    TvteXLSWorksheet *sheet = big.AddSheet();
    for (int r = 0; r < 300; ++r)
        sheet->Ranges(0, r, 0, r)->SetValue(std::string(40, 'x'));
    ASSERT_EQ(SaveAndRead(big, "same.xls").status, 0);
    TvteXLSWorkbook small;
    small.AddSheet()->Ranges(0, 0, 0, 0)->SetValue("small");
    ExpectReading(small, "same.xls", {"sheets 1", "sheet Sheet1", std::string("cell 0 0 ") + kNormal + " text small"});
}

}  // namespace
