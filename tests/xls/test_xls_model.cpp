// The workbook model: ranges and their overlap rule, the used area, values,
// names and titles, and the code page of its texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "XlsTestSupport.h"

using xlstest::Cp;

namespace {

struct Rect {
    int l, t, r, b;
};

TEST(XlsModel, RangesReturnsTheSameRangeForTheSameRectangle)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    TvteXLSRange *first = sheet->Ranges(0, 0, 5, 0);
    first->SetValue("header");
    TvteXLSRange *again = sheet->Ranges(0, 0, 5, 0);
    EXPECT_EQ(first, again);
    EXPECT_EQ(sheet->RangeCount(), 1);
    EXPECT_EQ(*again->Value.Get<std::string>(), "header");
    EXPECT_EQ(again->Worksheet(), sheet);
}

struct OverlapCase {
    const char *name;
    Rect existing;
    Rect added;
    bool overlaps;
};

class XlsModelOverlap : public ::testing::TestWithParam<OverlapCase> {};

TEST_P(XlsModelOverlap, AddRangeDeletesEveryRangeItOverlaps)
{
    const OverlapCase &c = GetParam();
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    sheet->AddRange(c.existing.l, c.existing.t, c.existing.r, c.existing.b);
    TvteXLSRange *added = sheet->AddRange(c.added.l, c.added.t, c.added.r, c.added.b);
    ASSERT_EQ(sheet->RangeCount(), c.overlaps ? 1 : 2);
    EXPECT_EQ(sheet->RangeAt(sheet->RangeCount() - 1), added);
    EXPECT_EQ(vte::RangesOverlap(c.added.l, c.added.t, c.added.r, c.added.b, c.existing.l, c.existing.t, c.existing.r,
                                 c.existing.b),
              c.overlaps);
}

INSTANTIATE_TEST_SUITE_P(Cases, XlsModelOverlap,
                         ::testing::Values(OverlapCase{"SingleCellInsideTitle", {0, 1, 2, 1}, {1, 1, 1, 1}, true},
                                           OverlapCase{"SameRectangle", {0, 0, 5, 0}, {0, 0, 5, 0}, true},
                                           OverlapCase{"CornerInside", {0, 0, 2, 2}, {2, 2, 4, 4}, true},
                                           OverlapCase{"Encloses", {2, 2, 3, 3}, {0, 0, 5, 5}, true},
                                           OverlapCase{"CrossWideOverTall", {2, 0, 2, 9}, {0, 4, 5, 4}, true},
                                           OverlapCase{"CrossTallOverWide", {0, 4, 5, 4}, {2, 0, 2, 9}, true},
                                           OverlapCase{"Adjacent", {0, 0, 2, 0}, {3, 0, 3, 0}, false},
                                           OverlapCase{"NextRow", {0, 0, 5, 0}, {0, 1, 5, 1}, false},
                                           OverlapCase{"Apart", {0, 0, 1, 1}, {5, 5, 6, 6}, false}),
                         [](const auto &p) { return std::string(p.param.name); });

TEST(XlsModel, AddRangeRemovesSeveralRangesAndKeepsTheOthersInOrder)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    TvteXLSRange *a = sheet->AddRange(0, 0, 0, 0);
    sheet->AddRange(1, 0, 1, 0);
    TvteXLSRange *c = sheet->AddRange(5, 5, 5, 5);
    sheet->AddRange(2, 0, 2, 0);
    TvteXLSRange *wide = sheet->AddRange(1, 0, 3, 0);
    ASSERT_EQ(sheet->RangeCount(), 3);
    EXPECT_EQ(sheet->RangeAt(0), a);
    EXPECT_EQ(sheet->RangeAt(1), c);
    EXPECT_EQ(sheet->RangeAt(2), wide);
}

// The sheet finds overlapped ranges through an index; this plain list applies
// the overlap rule to every range, the way the result is defined.
struct ReferenceSheet {
    struct Entry {
        Rect rect;
        const TvteXLSRange *range;
    };
    std::vector<Entry> entries;
    int firstCol = -1, firstRow = -1, lastCol = -1, lastRow = -1;

    const TvteXLSRange *Find(const Rect &n) const
    {
        for (const Entry &e : entries)
            if (e.rect.l == n.l && e.rect.t == n.t && e.rect.r == n.r && e.rect.b == n.b)
                return e.range;
        return nullptr;
    }
    void Add(const Rect &n, const TvteXLSRange *range)
    {
        std::erase_if(entries, [&](const Entry &e) {
            return vte::RangesOverlap(n.l, n.t, n.r, n.b, e.rect.l, e.rect.t, e.rect.r, e.rect.b);
        });
        entries.push_back({n, range});
        if (firstCol == -1 || n.l < firstCol)
            firstCol = n.l;
        if (firstRow == -1 || n.t < firstRow)
            firstRow = n.t;
        if (lastCol == -1 || lastCol < n.r)
            lastCol = n.r;
        if (lastRow == -1 || lastRow < n.b)
            lastRow = n.b;
    }
};

// Rectangles that meet often: mostly small ones, some large enough to be
// kept out of the cell index, reversed ones, ones across the edges of the
// addressable area and beyond it, and a rare one as large as the coordinates allow.
Rect RandomRect(std::mt19937 &random)
{
    auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    static constexpr int kOrigins[][2] = {{0, 0}, {245, 3}, {2, 65525}, {-12, -7}};  // column, row
    const auto &origin = kOrigins[pick(0, 3)];
    const int l = origin[0] + pick(0, 24);
    const int t = origin[1] + pick(0, 24);
    const int kind = pick(0, 99);
    if (kind < 75)
        return {l, t, l + pick(0, 2), t + pick(0, 2)};
    if (kind < 87)
        return {l, t, l + pick(10, 45), t + pick(10, 45)};
    if (kind < 95)
        return {l + pick(0, 3), t + pick(0, 3), l + pick(-3, 3), t + pick(-3, 3)};  // often reversed
    if (kind < 98)
        return {l, t, l + pick(0, 3), kMax};
    return {kMin, t, kMax, t + pick(0, 1)};
}

TEST(XlsModel, AddingRangesMatchesTestingEveryRange)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        TvteXLSWorkbook book;
        TvteXLSWorksheet *sheet = book.AddSheet();
        ReferenceSheet reference;
        for (int step = 0; step < 300; ++step) {
            const Rect n = RandomRect(random);
            if (random() % 3 == 0) {
                // Ranges: the first equal range if there is one, else a new range.
                const TvteXLSRange *expected = reference.Find(n);
                ASSERT_EQ(sheet->FindRange(n.l, n.t, n.r, n.b), expected) << "step " << step;
                TvteXLSRange *got = sheet->Ranges(n.l, n.t, n.r, n.b);
                if (expected) {
                    ASSERT_EQ(got, expected) << "step " << step;
                    continue;
                }
                reference.Add(n, got);
            } else {
                reference.Add(n, sheet->AddRange(n.l, n.t, n.r, n.b));
            }
            ASSERT_EQ(sheet->RangeCount(), static_cast<int>(reference.entries.size())) << "step " << step;
            for (int i = 0; i < sheet->RangeCount(); ++i)
                ASSERT_EQ(sheet->RangeAt(i), reference.entries[static_cast<std::size_t>(i)].range)
                    << "step " << step << ", position " << i;
        }
        for (const ReferenceSheet::Entry &e : reference.entries)
            EXPECT_EQ(sheet->FindRange(e.rect.l, e.rect.t, e.rect.r, e.rect.b), reference.Find(e.rect));
        EXPECT_EQ(sheet->FirstCol(), reference.firstCol);
        EXPECT_EQ(sheet->FirstRow(), reference.firstRow);
        EXPECT_EQ(sheet->LastCol(), reference.lastCol);
        EXPECT_EQ(sheet->LastRow(), reference.lastRow);
    }
}

TEST(XlsModel, UsedAreaOnlyGrows)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    EXPECT_EQ(sheet->FirstCol(), -1);
    EXPECT_EQ(sheet->FirstRow(), -1);
    EXPECT_EQ(sheet->LastCol(), -1);
    EXPECT_EQ(sheet->LastRow(), -1);

    sheet->AddRange(2, 3, 4, 7);
    sheet->AddRange(1, 5, 1, 5);  // outside: both stay
    sheet->AddRange(0, 0, 9, 9);  // deletes both
    sheet->AddRange(0, 0, 0, 0);  // deletes that one too
    EXPECT_EQ(sheet->RangeCount(), 1);
    EXPECT_EQ(sheet->FirstCol(), 0);
    EXPECT_EQ(sheet->FirstRow(), 0);
    EXPECT_EQ(sheet->LastCol(), 9);
    EXPECT_EQ(sheet->LastRow(), 9);
}

TEST(XlsModel, ColumnsWidenTheColumnsOfTheUsedAreaOnly)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    TvteXLSCol *col = sheet->Cols(4);
    EXPECT_EQ(col->Index, 4);
    EXPECT_EQ(col->Width, 2048);
    sheet->Cols(2)->Width = 6000;
    EXPECT_EQ(sheet->Cols(4), col);
    EXPECT_EQ(sheet->ColCount(), 2);
    EXPECT_EQ(sheet->FirstCol(), 2);
    EXPECT_EQ(sheet->LastCol(), 4);
    EXPECT_EQ(sheet->FirstRow(), -1);
    EXPECT_EQ(sheet->LastRow(), -1);
    EXPECT_EQ(sheet->FindCol(3), nullptr);
}

struct ValueCase {
    const char *name;
    TvteVariant input;
    TvteVariant stored;
};

class XlsModelSetValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(XlsModelSetValue, TextsLoseTheCrOfEveryCrLfOtherValuesStayAsTheyAre)
{
    TvteXLSWorkbook book;
    TvteXLSRange *range = book.AddSheet()->Ranges(0, 0, 0, 0);
    range->SetValue(GetParam().input);
    EXPECT_EQ(range->Value, GetParam().stored);
    EXPECT_EQ(range->Value.Kind(), GetParam().stored.Kind());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XlsModelSetValue,
    ::testing::Values(ValueCase{"CrLf", "a\r\nb", "a\nb"}, ValueCase{"LoneCr", "a\rb", "a\rb"},
                      ValueCase{"LoneLf", "a\nb", "a\nb"}, ValueCase{"CrCrLf", "a\r\r\nb", "a\r\nb"},
                      ValueCase{"WideToCodePage", u"Záv\r\nodník", TvteVariant(Cp(u"Záv\nodník"))},
                      ValueCase{"WideOutsideCodePage", u"x\u4E2D\U0001F600y", "x??y"},
                      ValueCase{"Int16StaysInt16", TvteVariant(std::int16_t{7}), TvteVariant(std::int16_t{7})},
                      ValueCase{"DoubleStays", 2.5, 2.5},
                      ValueCase{"NullStays", TvteVariant(TvteNull{}), TvteVariant(TvteNull{})}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(XlsModel, VariantKindsStayApart)
{
    EXPECT_EQ(TvteVariant(5).Kind(), TvteVariantKind::Int32);
    EXPECT_EQ(TvteVariant(std::int16_t{5}).Kind(), TvteVariantKind::Int16);
    EXPECT_EQ(TvteVariant(std::uint8_t{5}).Kind(), TvteVariantKind::UInt8);
    EXPECT_EQ(TvteVariant(std::int8_t{5}).Kind(), TvteVariantKind::Int8);
    EXPECT_EQ(TvteVariant(std::int64_t{5}).Kind(), TvteVariantKind::Int64);
    EXPECT_EQ(TvteVariant(true).Kind(), TvteVariantKind::Boolean);
    EXPECT_EQ(TvteVariant("x").Kind(), TvteVariantKind::Text);
    EXPECT_EQ(TvteVariant().Kind(), TvteVariantKind::Empty);
    EXPECT_NE(TvteVariant(5), TvteVariant(std::int16_t{5}));
}

struct TrimCase {
    const char *name;
    std::string input;
    std::string name31;   // SetName
    std::string title66;  // SetTitle
};

class XlsModelNames : public ::testing::TestWithParam<TrimCase> {};

TEST_P(XlsModelNames, NamesAreCutThenTrimmed)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    sheet->SetName(GetParam().input);
    book.SetTitle(GetParam().input);
    EXPECT_EQ(sheet->Name(), GetParam().name31);
    EXPECT_EQ(book.Title(), GetParam().title66);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XlsModelNames,
    ::testing::Values(TrimCase{"TrailingBlank", Cp(u"Výpis "), Cp(u"Výpis"), Cp(u"Výpis")},
                      TrimCase{"BlanksOnly", "     ", "", ""},
                      TrimCase{"ControlCharacters", "\t\x01name\r\n", "name", "name"},
                      // 30 letters, a blank, then more: the cut leaves the blank at the end, the trim takes it.
                      TrimCase{"CutThenTrim", std::string(30, 'a') + " " + std::string(9, 'b'), std::string(30, 'a'),
                               std::string(30, 'a') + " " + std::string(9, 'b')},
                      TrimCase{"LongTitle", std::string(70, 't'), std::string(31, 't'), std::string(66, 't')},
                      TrimCase{"LeadingBlanksCountForTheCut", "   " + std::string(40, 'c'), std::string(28, 'c'),
                               std::string(40, 'c')}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(XlsModel, NewWorkbookIsTitledPReport)
{
    TvteXLSWorkbook book;
    EXPECT_EQ(book.Title(), "PReport");
    EXPECT_EQ(book.SheetCount(), 0);
}

struct DefaultNameCase {
    const char *name;
    std::vector<std::string> existing;
    std::string expected;
};

class XlsModelDefaultName : public ::testing::TestWithParam<DefaultNameCase> {};

TEST_P(XlsModelDefaultName, NewSheetTakesTheFirstFreeNumberFromCountPlusOne)
{
    TvteXLSWorkbook book;
    for (const std::string &name : GetParam().existing)
        book.AddSheet()->SetName(name);
    EXPECT_EQ(book.AddSheet()->Name(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, XlsModelDefaultName,
                         ::testing::Values(DefaultNameCase{"Empty", {}, "Sheet1"},
                                           DefaultNameCase{"TwoDefault", {"Sheet1", "Sheet2"}, "Sheet3"},
                                           DefaultNameCase{"ThreeTaken", {"A", "Sheet3"}, "Sheet4"},
                                           DefaultNameCase{"LetterCase", {"a", "SHEET3"}, "Sheet4"},
                                           DefaultNameCase{"Chain", {"Sheet4", "Sheet3", "Sheet5"}, "Sheet6"},
                                           DefaultNameCase{"LowerNumberNotReused", {"x", "y"}, "Sheet3"}),
                         [](const auto &p) { return std::string(p.param.name); });

TEST(XlsModel, SheetsKnowTheirPositionAndClearEmptiesTheBook)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *a = book.AddSheet();
    TvteXLSWorksheet *b = book.AddSheet();
    EXPECT_EQ(a->IndexInBook(), 0);
    EXPECT_EQ(b->IndexInBook(), 1);
    EXPECT_EQ(book.Sheets(1), b);
    EXPECT_EQ(b->Workbook(), &book);
    TvteXLSWorksheet orphan(nullptr);
    EXPECT_EQ(orphan.IndexInBook(), -1);
    book.Clear();
    EXPECT_EQ(book.SheetCount(), 0);
    EXPECT_EQ(book.AddSheet()->Name(), "Sheet1");
}

TEST(XlsModel, RangeDefaults)
{
    TvteXLSWorkbook book;
    TvteXLSWorksheet *sheet = book.AddSheet();
    const TvteXLSRange *range = sheet->Ranges(3, 1, 1, 0);  // reversed: stored as given
    EXPECT_EQ(range->Left, 3);
    EXPECT_EQ(range->Right, 1);
    EXPECT_EQ(range->Font, TvteXLSFont{});
    EXPECT_EQ(range->Font.Name, "Arial");
    EXPECT_EQ(range->Font.Size, 10);
    EXPECT_EQ(range->Font.Charset, 1);
    EXPECT_EQ(range->HorzAlign, 0);
    EXPECT_EQ(range->VertAlign, 2);
    EXPECT_EQ(range->Value.Kind(), TvteVariantKind::Empty);
    EXPECT_EQ(range->Borders.Items(TvteBorderKind::Top).LineStyle, 0);
    const TvteXLSPageSetup &setup = sheet->PageSetup();
    EXPECT_EQ(setup.PaperSize, 9);
    EXPECT_EQ(setup.Scale, 100);
    EXPECT_DOUBLE_EQ(setup.TopMargin, 2.5);
}

TEST(XlsCodePage, EveryByteHasItsUtf16UnitAndCzechSurvivesTheRoundTrip)
{
    EXPECT_EQ(TvteExcelWriter::ToWide("\xF0"), u"\u0111");
    EXPECT_EQ(TvteExcelWriter::ToWide("A\x8A\x9E\xE8\xF8\xEC\xF9\x80"), u"AŠžčřěů€");
    EXPECT_EQ(TvteExcelWriter::ToWide("\x81\x98"), u"\u0081\u0098");  // undefined bytes stay apart
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(cp1250::FromUtf16(TvteExcelWriter::ToWide(one)), one) << "byte " << b;
    }
    EXPECT_TRUE(cp1250::SameTextIgnoringCase(Cp(u"ŽLUŤOUČKÝ Kůň"), Cp(u"žluťoučký kŮŇ")));
    EXPECT_FALSE(cp1250::SameTextIgnoringCase("abc", "abd"));
}

}  // namespace
