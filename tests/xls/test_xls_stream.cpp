// The workbook stream, record by record: framing, globals, shared strings,
// fonts, formats, cell formats, palette and the worksheet records.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "BIFF8_Types.h"
#include "WriteError.h"
#include "XlsTestSupport.h"

using namespace xlstest;

namespace {

// ---------------------------------------------------------------------------
// Fixed figures, one record each.

struct RecordFixture {
    const char *name;
    std::function<void(TvteXLSWorkbook &)> build;
    std::uint16_t id;
    std::size_t occurrence;  // among the records with this id
    std::string hex;         // the record's data
};

class XlsRecordFixture : public ::testing::TestWithParam<RecordFixture> {};

TEST_P(XlsRecordFixture, RecordDataIsExact)
{
    const RecordFixture &f = GetParam();
    TvteXLSWorkbook book;
    f.build(book);
    const auto records = RecordsWithId(Records(StreamOf(book)), f.id);
    ASSERT_GT(records.size(), f.occurrence) << "record 0x" << std::hex << f.id << " missing";
    EXPECT_TRUE(SameBytes(records[f.occurrence].data, Hex(f.hex)));
}

void OneSheet(TvteXLSWorkbook &book)
{
    book.AddSheet();
}
void TwoSheets(TvteXLSWorkbook &book)
{
    book.AddSheet();
    book.AddSheet();
}

const std::string kDefaultCellFill = "08 04";  // fill and pattern colour black: index 8 each

INSTANTIATE_TEST_SUITE_P(
    Figures, XlsRecordFixture,
    ::testing::Values(
        RecordFixture{"WriteAccessOfPReport", OneSheet, biff8::WRITEACCESS, 0,
                      "07 00 01 50 00 52 00 65 00 70 00 6F 00 72 00 74 00 20*95"},
        RecordFixture{"TabIdOfTwoSheets", TwoSheets, biff8::TABID, 0, "00 00 01 00"},
        RecordFixture{"DefaultSetup", OneSheet, biff8::SETUP, 0, "09 00 64 00 01 00 01 00 01 00 02 00 00*22"},
        RecordFixture{"ColInfoOfWidth6000", [](TvteXLSWorkbook &b) { b.AddSheet()->Cols(0)->Width = 6000; },
                      biff8::COLINFO, 0, "00 00 00 00 70 17 00 00 00 00 00"},
        RecordFixture{"Window2OfFirstSheet", TwoSheets, biff8::WINDOW2, 0, "B6 06 00 00 00 00 40 00 00 00 00*8"},
        RecordFixture{"Window2OfSecondSheet", TwoSheets, biff8::WINDOW2, 1, "B6 04 00 00 00 00 40 00 00 00 00*8"},
        RecordFixture{"LeftMargin", OneSheet, biff8::LEFTMARGIN, 0, "00 00 00 00 00 00 00 40"},
        RecordFixture{"TopMargin", OneSheet, biff8::TOPMARGIN, 0, "00 00 00 00 00 00 04 40"},
        RecordFixture{"DefaultFontOfTheBook", OneSheet, biff8::FONT, 0,
                      "C8 00 00 00 08 00 64 00 00 00 00 00 01 00 05 01 41 00 72 00 69 00 61 00 6C 00"},
        RecordFixture{"RedFontIsColourIndex10",
                      [](TvteXLSWorkbook &b) { b.AddSheet()->Ranges(0, 0, 0, 0)->Font.Color = 0x0000FF; }, biff8::FONT,
                      4, "C8 00 00 00 0A 00 64 00 00 00 00 00 01 00 05 01 41 00 72 00 69 00 61 00 6C 00"},
        RecordFixture{"BoldItalicUnderlinedStruckFixedFont",
                      [](TvteXLSWorkbook &b) {
                          TvteXLSFont &font = b.AddSheet()->Ranges(0, 0, 0, 0)->Font;
                          font.Name = "Tahoma";
                          font.Size = 12;
                          font.Style = {TvteFontStyle::Bold, TvteFontStyle::Italic, TvteFontStyle::Underline,
                                        TvteFontStyle::StrikeOut};
                          font.Pitch = TvteFontPitch::Fixed;
                          font.Charset = 238;
                      },
                      biff8::FONT, 4,
                      "F0 00 0A 00 08 00 E8 03 00 00 01 01 EE 00 06 01 54 00 61 00 68 00 6F 00 6D 00 61 00"},
        RecordFixture{"FirstCustomFormatIs50",
                      [](TvteXLSWorkbook &b) {
                          TvteXLSWorksheet *s = b.AddSheet();
                          s->Ranges(0, 0, 0, 0)->NumberFormat = "0.000";
                          s->Ranges(1, 0, 1, 0)->NumberFormat = "0.0%";
                          s->Ranges(2, 0, 2, 0)->NumberFormat = "0.000";
                      },
                      biff8::FORMAT, 8, "32 00 05 00 01 30 00 2E 00 30 00 30 00 30 00"},
        RecordFixture{"SecondCustomFormatIs51",
                      [](TvteXLSWorkbook &b) {
                          TvteXLSWorksheet *s = b.AddSheet();
                          s->Ranges(0, 0, 0, 0)->NumberFormat = "0.000";
                          s->Ranges(1, 0, 1, 0)->NumberFormat = "0.0%";
                      },
                      biff8::FORMAT, 9, "33 00 04 00 01 30 00 2E 00 30 00 25 00"},
        RecordFixture{"FirstBuiltInCurrencyFormat", OneSheet, biff8::FORMAT, 0,
                      "05 00 15 00 01 23 00 2C 00 23 00 23 00 30 00 22 00 11 01 2E 00 22 00 3B 00 5C 00 2D 00 23 "
                      "00 2C 00 23 00 23 00 30 00 22 00 11 01 2E 00 22 00"},
        RecordFixture{"BuiltInFormatInAnotherLetterCase",
                      [](TvteXLSWorkbook &b) {
                          b.AddSheet()->Ranges(0, 0, 0, 0)->NumberFormat = Cp(u"#,##0.00\"Đ.\";[RED]\\-#,##0.00\"Đ.\"");
                      },
                      biff8::XF, 16, "05 00 08 00 01 00 20 00 00 7C 00 00 00 00 00 00 00 00 " + kDefaultCellFill},
        RecordFixture{"DefaultCellXf", OneSheet, biff8::XF, 15,
                      "00 00 00 00 01 00 20 00 00 00 00 00 00 00 00 00 00 00 C0 20"},
        RecordFixture{"MergedRangeXf", [](TvteXLSWorkbook &b) { b.AddSheet()->Ranges(0, 0, 5, 0)->SetValue("x"); },
                      biff8::XF, 16, "05 00 00 00 01 00 20 00 20 7C 00 00 00 00 00 00 00 00 " + kDefaultCellFill},
        RecordFixture{"BordersAlignmentAndFill",
                      [](TvteXLSWorkbook &b) {
                          TvteXLSRange *r = b.AddSheet()->Ranges(0, 0, 0, 0);
                          r->Borders.Items(TvteBorderKind::Left) = {0x0000FF, 1};   // red, thin
                          r->Borders.Items(TvteBorderKind::Top) = {0xFF0000, 2};    // blue, medium
                          r->Borders.Items(TvteBorderKind::Right) = {0x00FF00, 0};  // not drawn
                          r->Borders.Items(TvteBorderKind::DiagonalDown) = {0, 3};  // black, dashed
                          r->HorzAlign = 2;
                          r->WrapText = true;
                          r->VertAlign = 1;
                          r->Rotation = 45;
                          r->FillPattern = 17;
                          r->FillColor = 0x00FFFF;     // yellow
                          r->PatternColor = 0xFFFFFF;  // white
                      },
                      biff8::XF, 16, "05 00 00 00 01 00 1A 2D 00 7C 01 02 0A 40 0C 00 62 04 8D 04"},
        RecordFixture{"BothDiagonalsTakeTheRisingOne",
                      [](TvteXLSWorkbook &b) {
                          TvteXLSRange *r = b.AddSheet()->Ranges(0, 0, 0, 0);
                          r->Borders.Items(TvteBorderKind::DiagonalDown) = {0x0000FF, 1};  // red
                          r->Borders.Items(TvteBorderKind::DiagonalUp) = {0xFF0000, 7};    // blue, hair
                          r->FillPattern = 2;
                      },
                      biff8::XF, 16, "05 00 00 00 01 00 20 00 00 7C 00 00 00 C0 00 00 E3 24 " + kDefaultCellFill}),
    [](const auto &p) { return std::string(p.param.name); });

// ---------------------------------------------------------------------------

TEST(XlsStream, RecordsOfAOneSheetWorkbookComeInTheirFixedOrder)
{
    TvteXLSWorkbook book;
    book.AddSheet()->Ranges(0, 0, 0, 0)->SetValue("a");
    using namespace biff8;
    std::vector<std::uint16_t> expected = {BOF,      INTERFACEHDR, MMS,          INTERFACEEND, WRITEACCESS,   CODEPAGE,
                                           DSF,      EXCEL9FILE,   TABID,        FNGROUPCOUNT, WINDOWPROTECT, PROTECT,
                                           PASSWORD, PROT4REV,     PROT4REVPASS, WINDOW1,      BACKUP,        HIDEOBJ,
                                           DATEMODE, PRECISION,    REFRESHALL,   BOOKBOOL};
    expected.insert(expected.end(), 5, FONT);
    expected.insert(expected.end(), 8, FORMAT);
    expected.insert(expected.end(), 17, XF);
    expected.insert(expected.end(), 6, STYLE);
    for (std::uint16_t id : {USESELFS,
                             BOUNDSHEET,
                             COUNTRY,
                             SST,
                             EXTSST,
                             EOF_,
                             BOF,
                             INDEX,
                             CALCMODE,
                             CALCCOUNT,
                             REFMODE,
                             ITERATION,
                             DELTA,
                             SAVERECALC,
                             PRINTHEADERS,
                             PRINTGRIDLINES,
                             GRIDSET,
                             GUTS,
                             DEFAULTROWHEIGHT,
                             WSBOOL,
                             HCENTER,
                             VCENTER,
                             LEFTMARGIN,
                             RIGHTMARGIN,
                             TOPMARGIN,
                             BOTTOMMARGIN,
                             SETUP,
                             DEFCOLWIDTH,
                             DIMENSIONS,
                             ROW,
                             LABELSST,
                             DBCELL,
                             WINDOW2,
                             SELECTION,
                             EOF_})
        expected.push_back(id);
    std::vector<std::uint16_t> ids;
    for (const Rec &r : Records(StreamOf(book)))
        ids.push_back(r.id);
    EXPECT_EQ(ids, expected);
}

TEST(XlsStream, GlobalsHeaderRecords)
{
    TvteXLSWorkbook book;
    book.AddSheet();
    const auto records = Records(StreamOf(book));
    EXPECT_TRUE(SameBytes(records[0].data, Hex("00 06 05 00 BB 0D CC 07 00 00 00 00 00 06 00 00")));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::WINDOW1)[0].data,
                          Hex("68 01 1E 00 1E 1D 60 18 38 00 00 00 00 00 01 00 58 02")));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::COUNTRY)[0].data, Hex("07 00 07 00")));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::CODEPAGE)[0].data, Hex("E4 04")));
    const auto bofs = RecordsWithId(records, biff8::BOF);
    ASSERT_EQ(bofs.size(), 2u);
    EXPECT_TRUE(SameBytes(bofs[1].data, Hex("00 06 10 00 BB 0D CC 07 00*8")));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::DELTA)[0].data, Hex("FC A9 F1 D2 4D 62 50 3F")));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::SELECTION)[0].data,
                          Hex("03 00 00 00 00 00 00 01 00 00 00 00 00 00 00")));
    const auto styles = RecordsWithId(records, biff8::STYLE);
    ASSERT_EQ(styles.size(), 6u);
    EXPECT_TRUE(SameBytes(styles[3].data, Hex("12 80 05 FF")));
}

struct FramingCase {
    std::size_t size;
    std::vector<std::pair<std::uint16_t, std::size_t>> pieces;
};

void PrintTo(const FramingCase &c, std::ostream *out)
{
    *out << c.size << " bytes";
}

class XlsWriteRecord : public ::testing::TestWithParam<FramingCase> {};

TEST_P(XlsWriteRecord, DataBeyond8224BytesGoesOnInContinueRecords)
{
    std::vector<std::uint8_t> data(GetParam().size);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7);
    TvteMemoryStream stream;
    TvteExcelWriter::WriteRecord(stream, 0x1234, data.data(), data.size());
    const ByteVector bytes(stream.Bytes().begin(), stream.Bytes().end());
    const auto records = Records(bytes);
    ASSERT_EQ(records.size(), GetParam().pieces.size());
    ByteVector joined;
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].id, GetParam().pieces[i].first);
        EXPECT_EQ(records[i].data.size(), GetParam().pieces[i].second);
        joined.insert(joined.end(), records[i].data.begin(), records[i].data.end());
    }
    EXPECT_TRUE(SameBytes(joined, ByteVector(data.begin(), data.end())));
}

INSTANTIATE_TEST_SUITE_P(Sizes, XlsWriteRecord,
                         ::testing::Values(FramingCase{0, {{0x1234, 0}}}, FramingCase{1, {{0x1234, 1}}},
                                           FramingCase{8224, {{0x1234, 8224}}},
                                           FramingCase{8225, {{0x1234, 8224}, {0x003C, 1}}},
                                           FramingCase{16449, {{0x1234, 8224}, {0x003C, 8224}, {0x003C, 1}}}));

// ---------------------------------------------------------------------------
// Shared strings.

TEST(XlsSst, A4200CharacterTextContinuesWithItsOptionByte)
{
    TvteXLSWorkbook book;
    std::string text;
    for (int i = 0; i < 4200; ++i)
        text.push_back(static_cast<char>('a' + i % 26));
    text[4199] = '\xF0';
    book.AddSheet()->Ranges(0, 0, 0, 0)->SetValue(text);
    const auto records = Records(StreamOf(book));
    std::size_t at = 0;
    while (records[at].id != biff8::SST)
        ++at;
    const Rec &sst = records[at];
    const Rec &cont = records[at + 1];
    const Rec &ext = records[at + 2];
    ASSERT_EQ(cont.id, biff8::CONTINUE);
    ASSERT_EQ(ext.id, biff8::EXTSST);
    EXPECT_EQ(sst.data.size(), 8223u);
    EXPECT_TRUE(
        SameBytes(ByteVector(sst.data.begin(), sst.data.begin() + 13), Hex("01 00 00 00 01 00 00 00 68 10 01 61 00")));
    EXPECT_EQ(cont.data.size(), 189u);
    EXPECT_EQ(cont.data[0], 1);
    EXPECT_TRUE(SameBytes(ByteVector(cont.data.end() - 2, cont.data.end()), Hex("11 01")));
    ByteVector expectedExt = Hex("08 00");
    const std::uint32_t header = static_cast<std::uint32_t>(sst.offset + 12);
    for (int k = 0; k < 4; ++k)
        expectedExt.push_back(static_cast<std::uint8_t>(header >> (8 * k)));
    const ByteVector tail = Hex("0C 00 00 00");
    expectedExt.insert(expectedExt.end(), tail.begin(), tail.end());
    EXPECT_TRUE(SameBytes(ext.data, expectedExt));
}

TEST(XlsSst, NineStringsGiveTwoBucketsAndEqualTextsAreNotShared)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    for (int i = 0; i < 9; ++i)
        sheet->Ranges(0, i, 0, i)->SetValue("s");
    const auto records = Records(StreamOf(book));
    const Rec sst = RecordsWithId(records, biff8::SST).at(0);
    const Rec ext = RecordsWithId(records, biff8::EXTSST).at(0);
    EXPECT_EQ(U32At(sst.data, 0), 9u);
    EXPECT_EQ(U32At(sst.data, 4), 9u);
    // Each string is 3 header bytes and one character: string 8 lies 8 * 5 bytes after string 0.
    ByteVector expected = Hex("08 00");
    for (std::uint32_t offset : {12u, 52u}) {
        const std::uint32_t position = static_cast<std::uint32_t>(sst.offset) + offset;
        for (int k = 0; k < 4; ++k)
            expected.push_back(static_cast<std::uint8_t>(position >> (8 * k)));
        expected.push_back(static_cast<std::uint8_t>(offset));
        expected.insert(expected.end(), {0, 0, 0});
    }
    EXPECT_TRUE(SameBytes(ext.data, expected));
    const auto labels = RecordsWithId(records, biff8::LABELSST);
    ASSERT_EQ(labels.size(), 9u);
    EXPECT_EQ(U32At(labels[8].data, 6), 8u);
}

TEST(XlsSst, ManyStringsNeverSplitAHeaderFromItsFirstCharacter)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    // Lengths chosen so that strings end at every distance from a record's end.
    std::vector<std::string> texts;
    for (int i = 0; i < 700; ++i)
        texts.push_back(std::string(1 + (i * 37) % 61, static_cast<char>('A' + i % 26)));
    for (int i = 0; i < 700; ++i)
        sheet->Ranges(0, i, 0, i)->SetValue(texts[static_cast<std::size_t>(i)]);
    const auto records = Records(StreamOf(book));
    std::size_t at = 0;
    while (records[at].id != biff8::SST)
        ++at;
    // Rebuild the strings from the SST and its CONTINUE records.
    std::vector<std::string> read;
    std::size_t r = at, pos = 8;
    while (read.size() < texts.size()) {
        if (pos == records[r].data.size()) {
            ++r;
            ASSERT_EQ(records[r].id, biff8::CONTINUE);
            pos = 0;
        }
        const ByteVector *d = &records[r].data;
        ASSERT_LE(pos + 5, d->size()) << "string header split from its first character";
        std::size_t chars = U16At(*d, pos);
        ASSERT_EQ((*d)[pos + 2], 1);
        pos += 3;
        std::string s;
        while (chars > 0) {
            if (pos == d->size()) {
                ++r;
                ASSERT_EQ(records[r].id, biff8::CONTINUE);
                d = &records[r].data;
                ASSERT_EQ((*d)[0], 1);
                pos = 1;
            }
            s.push_back(static_cast<char>((*d)[pos]));
            pos += 2;
            --chars;
        }
        read.push_back(s);
    }
    EXPECT_EQ(read, texts);
    for (std::size_t k = at; k <= r; ++k)
        EXPECT_LE(records[k].data.size(), 8224u);
}

TEST(XlsSst, WorkbookWithoutTextHasNoStringTable)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    sheet->Ranges(0, 0, 0, 0)->SetValue(1.5);
    sheet->Ranges(1, 0, 1, 0)->SetValue("");  // empty text: no entry
    const auto records = Records(StreamOf(book));
    EXPECT_TRUE(RecordsWithId(records, biff8::SST).empty());
    EXPECT_TRUE(RecordsWithId(records, biff8::EXTSST).empty());
    EXPECT_TRUE(RecordsWithId(records, biff8::LABELSST).empty());
    // The empty text cell still carries its format, as a blank cell.
    const auto blanks = RecordsWithId(records, biff8::BLANK);
    ASSERT_EQ(blanks.size(), 1u);
    EXPECT_TRUE(SameBytes(blanks[0].data, Hex("00 00 01 00 10 00")));
}

// ---------------------------------------------------------------------------
// Values.

TEST(XlsCells, NumberKindsAreNumbersAndEveryOtherKindIsText)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    const std::vector<TvteVariant> numbers = {TvteVariant(std::int16_t{-7}),
                                              TvteVariant(70000),
                                              TvteVariant(std::uint8_t{200}),
                                              TvteVariant(1.5f),
                                              TvteVariant(-0.25),
                                              TvteVariant(TvteCurrency{123456})};
    const std::vector<double> numberValues = {-7, 70000, 200, 1.5, -0.25, 12.3456};
    const std::vector<TvteVariant> texts = {TvteVariant(true),
                                            TvteVariant(std::int64_t{1} << 40),
                                            TvteVariant(std::int8_t{-3}),
                                            TvteVariant(std::uint16_t{65535}),
                                            TvteVariant(TvteDate{45000.5}),
                                            TvteVariant(TvteDate{45000}),
                                            TvteVariant(u"wide")};
    const std::vector<std::string> textValues = {"True",      "1099511627776", "-3", "65535", "15.3.2023 12:00:00",
                                                 "15.3.2023", "wide"};
    int row = 0;
    for (const auto &v : numbers) {
        sheet->Ranges(0, row, 0, row)->Value = v;
        ++row;
    }
    for (const auto &v : texts) {
        sheet->Ranges(0, row, 0, row)->Value = v;
        ++row;
    }

    const auto records = Records(StreamOf(book));
    const auto numberRecords = RecordsWithId(records, biff8::NUMBER);
    ASSERT_EQ(numberRecords.size(), numbers.size());
    for (std::size_t i = 0; i < numberRecords.size(); ++i) {
        ASSERT_EQ(numberRecords[i].data.size(), 14u);
        EXPECT_EQ(U16At(numberRecords[i].data, 0), i);
        double value;
        std::memcpy(&value, numberRecords[i].data.data() + 6, 8);
        EXPECT_DOUBLE_EQ(value, numberValues[i]) << "number " << i;
    }
    const auto labels = RecordsWithId(records, biff8::LABELSST);
    ASSERT_EQ(labels.size(), texts.size());
    const Rec sst = RecordsWithId(records, biff8::SST).at(0);
    std::size_t pos = 8;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(U16At(labels[i].data, 0), numbers.size() + i);
        EXPECT_EQ(U32At(labels[i].data, 6), i);
        const std::size_t chars = U16At(sst.data, pos);
        std::string s;
        for (std::size_t c = 0; c < chars; ++c)
            s.push_back(static_cast<char>(sst.data[pos + 3 + 2 * c]));
        EXPECT_EQ(s, textValues[i]);
        pos += 3 + 2 * chars;
    }
}

// ---------------------------------------------------------------------------
// Fonts, cell formats and colours.

TEST(XlsFormats, EqualFormattingSharesOneFontAndOneXf)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    sheet->Ranges(0, 0, 0, 0)->SetValue("a");
    sheet->Ranges(1, 0, 1, 0)->SetValue("b");
    sheet->Ranges(2, 0, 2, 0)->Font.Style = {TvteFontStyle::Bold};
    sheet->Ranges(3, 0, 3, 0)->Font.Color = TvteColorWindowText;  // equal to the book's defaults
    TvteXLSWorksheet *second = book.AddSheet();
    second->Ranges(0, 0, 0, 0)->Font.Style = {TvteFontStyle::Bold};

    const auto records = Records(StreamOf(book));
    const auto fonts = RecordsWithId(records, biff8::FONT);
    ASSERT_EQ(fonts.size(), 6u);
    EXPECT_EQ(U16At(fonts[5].data, 6), biff8::FontWeightBold);
    EXPECT_EQ(U16At(fonts[4].data, 6), biff8::FontWeightNormal);

    const auto xfs = RecordsWithId(records, biff8::XF);
    ASSERT_EQ(xfs.size(), 15u + 4u);  // default cell XF, then plain, bold, window-text font
    EXPECT_EQ(U16At(xfs[16].data, 0), 5);
    EXPECT_EQ(U16At(xfs[17].data, 0), 6);
    EXPECT_EQ(U16At(xfs[18].data, 0), 1);  // found at list position 0

    std::vector<std::uint16_t> cellXf;
    for (const Rec &r : records)
        if (r.id == biff8::LABELSST || r.id == biff8::BLANK)
            cellXf.push_back(U16At(r.data, 4));
    EXPECT_EQ(cellXf, (std::vector<std::uint16_t>{16, 16, 17, 18, 17}));
}

TEST(XlsColours, FirstNewColourTakesPosition16AndBringsAPalette)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    sheet->Ranges(0, 0, 0, 0)->Font.Color = 0x563412;  // red 12, green 34, blue 56
    sheet->Ranges(1, 0, 1, 0)->FillColor = 0x0000FF;   // red stays at its place
    const auto records = Records(StreamOf(book));
    EXPECT_EQ(U16At(RecordsWithId(records, biff8::FONT)[4].data, 4), 24);
    const auto palettes = RecordsWithId(records, biff8::PALETTE);
    ASSERT_EQ(palettes.size(), 1u);
    // The default colours of indices 8 to 63, with index 24 replaced.
    const char *defaults[56] = {"000000", "FFFFFF", "FF0000", "00FF00", "0000FF", "FFFF00", "FF00FF", "00FFFF",
                                "800000", "008000", "000080", "808000", "800080", "008080", "C0C0C0", "808080",
                                "123456", "993366", "FFFFCC", "CCFFFF", "660066", "FF8080", "0066CC", "CCCCFF",
                                "000080", "FF00FF", "FFFF00", "00FFFF", "800080", "800000", "008080", "0000FF",
                                "00CCFF", "CCFFFF", "CCFFCC", "FFFF99", "99CCFF", "FF99CC", "CC99FF", "FFCC99",
                                "3366FF", "33CCCC", "99CC00", "FFCC00", "FF9900", "FF6600", "666699", "969696",
                                "003366", "339966", "003300", "333300", "993300", "993366", "333399", "333333"};
    std::string hex = "38 00";
    for (const char *rgb : defaults)
        hex += std::string(" ") + rgb[0] + rgb[1] + " " + rgb[2] + rgb[3] + " " + rgb[4] + rgb[5] + " 00";
    EXPECT_TRUE(SameBytes(palettes[0].data, Hex(hex)));
    // The palette follows the XF records and precedes the styles.
    std::size_t paletteAt = 0, lastXf = 0, firstStyle = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].id == biff8::PALETTE)
            paletteAt = i;
        if (records[i].id == biff8::XF)
            lastXf = i;
        if (records[i].id == biff8::STYLE && !firstStyle)
            firstStyle = i;
    }
    EXPECT_EQ(paletteAt, lastXf + 1);
    EXPECT_EQ(firstStyle, paletteAt + 1);
}

TEST(XlsColours, DefaultColoursNeedNoPalette)
{
    TvteXLSWorkbook book;
    TvteXLSRange *range = book.AddSheet()->Ranges(0, 0, 0, 0);
    range->Font.Color = 0x0000FF;
    range->FillColor = 0xFFCCCC;  // CCCCFF, index 31, a default colour though a replaceable position
    EXPECT_TRUE(RecordsWithId(Records(StreamOf(book)), biff8::PALETTE).empty());
}

TEST(XlsColours, ThePaletteRunsOutAfter32NewColours)
{
    TvteExcelWriter writer;
    EXPECT_EQ(writer.ColorIndex(TvteColorWindowText), 0);  // black
    EXPECT_EQ(writer.ColorIndex(0x0000FF), 2);             // red: colour index 10
    std::vector<int> positions;
    for (std::uint32_t i = 0; i < 33; ++i)
        positions.push_back(writer.ColorIndex(0x010203 + i * 0x010101));
    std::vector<int> expected;
    for (int p = 16; p <= 23; ++p)
        expected.push_back(p);
    for (int p = 32; p <= 55; ++p)
        expected.push_back(p);
    expected.push_back(1);  // nothing left to give away
    EXPECT_EQ(positions, expected);
    EXPECT_TRUE(writer.PaletteChanged());
    EXPECT_EQ(writer.ColorIndex(0x010203), 16);  // a colour already placed keeps its place
}

TEST(XlsColours, AColourAlreadyUsedIsNotGivenAway)
{
    TvteExcelWriter writer;
    EXPECT_EQ(writer.ColorIndex(0xFF9999), 16);  // the default colour at position 16, now in use
    EXPECT_EQ(writer.ColorIndex(0x123456), 17);
    EXPECT_FALSE(writer.Palette().empty());
    EXPECT_EQ(writer.Palette()[17], 0x123456u);
}

TEST(XlsColours, EachWriteStartsFromTheDefaultPalette)
{
    TvteXLSWorkbook coloured;
    coloured.AddSheet()->Ranges(0, 0, 0, 0)->Font.Color = 0x563412;
    TvteXLSWorkbook plain;
    plain.AddSheet()->Ranges(0, 0, 0, 0)->SetValue("x");
    TvteExcelWriter writer;
    const ByteVector first = StreamOf(coloured, &writer);
    EXPECT_TRUE(SameBytes(StreamOf(coloured, &writer), first));
    EXPECT_TRUE(SameBytes(StreamOf(plain, &writer), StreamOf(plain)));
    EXPECT_FALSE(writer.PaletteChanged());
}

// ---------------------------------------------------------------------------
// Worksheet records.

TEST(XlsSheet, BoundSheetOffsetsPointAtEachSheetsBof)
{
    TvteXLSWorkbook book;
    book.AddSheet()->Ranges(0, 0, 1, 0)->SetValue(Cp(u"Výpis"));
    TvteXLSWorksheet *second = book.AddSheet();
    second->SetName(Cp(u"Druhý"));
    const auto records = Records(StreamOf(book));
    const auto bounds = RecordsWithId(records, biff8::BOUNDSHEET);
    ASSERT_EQ(bounds.size(), 2u);
    std::vector<std::size_t> sheetBofs;
    for (const Rec &r : records)
        if (r.id == biff8::BOF && U16At(r.data, 2) == biff8::BofWorksheet)
            sheetBofs.push_back(r.offset);
    ASSERT_EQ(sheetBofs.size(), 2u);
    EXPECT_EQ(U32At(bounds[0].data, 0), sheetBofs[0]);
    EXPECT_EQ(U32At(bounds[1].data, 0), sheetBofs[1]);
    EXPECT_TRUE(SameBytes(ByteVector(bounds[1].data.begin() + 4, bounds[1].data.end()),
                          Hex("00 00 05 01 44 00 72 00 75 00 68 00 FD 00")));
    EXPECT_TRUE(SameBytes(ByteVector(bounds[0].data.begin() + 4, bounds[0].data.end()),
                          Hex("00 00 06 01 53 00 68 00 65 00 65 00 74 00 31 00")));
}

TEST(XlsSheet, EmptySheetHasNoCellsAndZeroIndexAndDimensions)
{
    TvteXLSWorkbook book;
    book.AddSheet();
    const auto records = Records(StreamOf(book));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::INDEX)[0].data, Hex("00*16")));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::DIMENSIONS)[0].data, Hex("00*14")));
    for (std::uint16_t id : {biff8::ROW, biff8::DBCELL, biff8::MERGEDCELLS, biff8::COLINFO, biff8::HEADER,
                             biff8::FOOTER, biff8::LABELSST, biff8::NUMBER})
        EXPECT_TRUE(RecordsWithId(records, id).empty()) << std::hex << id;
}

TEST(XlsSheet, ColumnsAloneGiveZeroDimensions)
{
    TvteXLSWorkbook book;
    book.AddSheet()->Cols(3);
    EXPECT_TRUE(SameBytes(RecordsWithId(Records(StreamOf(book)), biff8::DIMENSIONS)[0].data, Hex("00*14")));
}

TEST(XlsSheet, CellRecordsCoverEveryCellOfARange)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    sheet->Ranges(0, 0, 5, 0)->SetValue("header");  // XF 16 (merged)
    sheet->Ranges(0, 1, 2, 2)->SetValue(3.0);       // XF 16: same font and format
    sheet->Ranges(0, 4, 1, 4)->SetValue("pair");
    sheet->Ranges(4, 4, 4, 4)->SetValue("one");  // XF 17 (not merged)
    std::vector<std::string> got;
    for (const Rec &r : Records(StreamOf(book))) {
        if (r.id == biff8::ROW || r.id == biff8::LABELSST || r.id == biff8::MULBLANK || r.id == biff8::BLANK
            || r.id == biff8::NUMBER || r.id == biff8::DIMENSIONS || r.id == biff8::MERGEDCELLS)
            got.push_back(std::to_string(r.id) + ": " + HexOf(r.data, 0, r.data.size()));
    }
    auto rec = [](std::uint16_t id, const std::string &hex) {
        return std::to_string(id) + ": " + HexOf(Hex(hex), 0, 1000);
    };
    using namespace biff8;
    const std::vector<std::string> expected = {
        rec(DIMENSIONS, "00 00 00 00 05 00 00 00 00 00 06 00 00 00"),
        rec(ROW, "00 00 00 00 06 00 FF 00 00*8"),
        rec(ROW, "01 00 00 00 03 00 FF 00 00*8"),
        rec(ROW, "02 00 00 00 03 00 FF 00 00*8"),
        rec(ROW, "03 00 00 00 00 00 FF 00 00*8"),  // no range covers row 3
        rec(ROW, "04 00 00 00 05 00 FF 00 00*8"),
        rec(LABELSST, "00 00 00 00 10 00 00 00 00 00"),
        rec(MULBLANK, "00 00 01 00 10 00 10 00 10 00 10 00 10 00 05 00"),
        rec(NUMBER, "01 00 00 00 10 00 00 00 00 00 00 00 08 40"),
        rec(MULBLANK, "01 00 01 00 10 00 10 00 02 00"),
        rec(MULBLANK, "02 00 00 00 10 00 10 00 10 00 02 00"),
        rec(LABELSST, "04 00 00 00 10 00 01 00 00 00"),
        rec(BLANK, "04 00 01 00 10 00"),
        rec(LABELSST, "04 00 04 00 11 00 02 00 00 00"),
        rec(MERGEDCELLS, "03 00 00 00 00 00 00 00 05 00 01 00 02 00 00 00 02 00 04 00 04 00 00 00 01 00"),
    };
    EXPECT_EQ(got, expected);
}

TEST(XlsSheet, RowsAreListedByLeftWhateverTheOrderOfCreation)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    sheet->Ranges(3, 0, 3, 0)->SetValue("d");
    sheet->Ranges(0, 0, 1, 0)->SetValue("a");
    const auto records = Records(StreamOf(book));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::ROW)[0].data, Hex("00 00 00 00 04 00 FF 00 00*8")));
    const auto labels = RecordsWithId(records, biff8::LABELSST);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(U16At(labels[0].data, 2), 0);
    EXPECT_EQ(U32At(labels[0].data, 6), 1u);  // strings follow the range list, cells the columns
    EXPECT_EQ(U16At(labels[1].data, 2), 3);
}

TEST(XlsSheet, ThirtyThreeRowsMakeTwoBlocksWithIndexAndDbcells)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    for (int r = 0; r <= 32; ++r)
        sheet->Ranges(0, r, 0, r)->SetValue("t");
    sheet->Ranges(1, 1, 1, 1)->SetValue(2.0);
    const ByteVector bytes = StreamOf(book);
    const auto records = Records(bytes);
    const auto index = RecordsWithId(records, biff8::INDEX);
    ASSERT_EQ(index.size(), 1u);
    ASSERT_EQ(index[0].data.size(), 24u);
    EXPECT_TRUE(SameBytes(ByteVector(index[0].data.begin(), index[0].data.begin() + 16),
                          Hex("00 00 00 00 00 00 00 00 21 00 00 00 00 00 00 00")));
    const auto dbcells = RecordsWithId(records, biff8::DBCELL);
    ASSERT_EQ(dbcells.size(), 2u);
    EXPECT_EQ(U32At(index[0].data, 16), dbcells[0].offset);
    EXPECT_EQ(U32At(index[0].data, 20), dbcells[1].offset);

    // First block: 32 ROW records of 20 bytes, then the cells.
    const auto rows = RecordsWithId(records, biff8::ROW);
    ASSERT_EQ(rows.size(), 33u);
    const ByteVector &first = dbcells[0].data;
    ASSERT_EQ(first.size(), 4u + 2u * 32u);
    EXPECT_EQ(U32At(first, 0), dbcells[0].offset - rows[0].offset);
    EXPECT_EQ(U16At(first, 4), 31u * 20u);
    EXPECT_EQ(U16At(first, 6), 14u);        // row 0: one LABELSST
    EXPECT_EQ(U16At(first, 8), 14u + 18u);  // row 1: LABELSST and NUMBER
    EXPECT_EQ(U16At(first, 10), 14u);
    // Second block: the single row 32.
    const ByteVector &second = dbcells[1].data;
    EXPECT_TRUE(SameBytes(second, Hex("22 00 00 00 00 00")));
    EXPECT_EQ(rows[32].offset + 20 + 14, dbcells[1].offset);
    EXPECT_EQ(U16At(rows[32].data, 0), 32);
}

TEST(XlsSheet, HeaderAndFooterJoinTheirNonEmptyParts)
{
    TvteXLSWorkbook book;
    TvteXLSPageSetup &setup = book.AddSheet()->PageSetup();
    setup.LeftHeader = "L";
    setup.RightHeader = "R";
    setup.CenterFooter = Cp(u"Strana č");
    setup.Orientation = 1;
    setup.Order = 1;
    setup.FirstPageNumber = 3;
    setup.BlackAndWhite = setup.Draft = setup.PrintNotes = setup.PrintGridLines = true;
    setup.HeaderMargin = 0.5;
    setup.Copies = 2;
    const auto records = Records(StreamOf(book));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::HEADER).at(0).data,
                          Hex("06 00 01 26 00 4C 00 4C 00 26 00 52 00 52 00")));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::FOOTER).at(0).data,
                          Hex("0A 00 01 26 00 43 00 53 00 74 00 72 00 61 00 6E 00 61 00 20 00 0D 01")));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::SETUP).at(0).data,
                          Hex("09 00 64 00 03 00 01 00 01 00 B9 00 00 00 00 00 00 00 00 00 00 00 E0 3F 00*8 02 00")));
    EXPECT_TRUE(SameBytes(RecordsWithId(records, biff8::PRINTGRIDLINES).at(0).data, Hex("01 00")));
}

TEST(XlsSheet, MoreThan1027MergedAreasAreSplitIntoWholeRecords)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    for (int r = 0; r < 1030; ++r)
        sheet->Ranges(0, r, 1, r);
    const auto merged = RecordsWithId(Records(StreamOf(book)), biff8::MERGEDCELLS);
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(U16At(merged[0].data, 0), 1027);
    EXPECT_EQ(merged[0].data.size(), 2u + 8u * 1027u);
    EXPECT_TRUE(SameBytes(merged[1].data, Hex("03 00 03 04 03 04 00 00 01 00 04 04 04 04 00 00 01 00 "
                                              "05 04 05 04 00 00 01 00")));
}

TEST(XlsSheet, LongTitleIsCutToFitWriteAccess)
{
    TvteXLSWorkbook book;
    book.SetTitle(std::string(60, 'T'));
    book.AddSheet();
    const Rec access = RecordsWithId(Records(StreamOf(book)), biff8::WRITEACCESS).at(0);
    EXPECT_EQ(access.data.size(), 112u);
    EXPECT_EQ(U16At(access.data, 0), 54u);
}

TEST(XlsFile, SaveToFileReportsAFolderThatDoesNotExist)
{
    TvteXLSWorkbook book;
    book.AddSheet();
    TvteExcelWriter writer;
    try {
        writer.SaveToFile(book, "/nonexistent-folder-of-tikomat/out.xls");
        FAIL() << "no error raised";
    } catch (const vte::WriteError &e) {
        EXPECT_EQ(std::string(e.what()), "StgCreateDocFile error -2");
        EXPECT_EQ(e.step(), vte::WriteError::Step::CreateFile);
        EXPECT_EQ(e.error(), ENOENT);
        EXPECT_EQ(e.path(), "/nonexistent-folder-of-tikomat/out.xls");
    }
}

}  // namespace
