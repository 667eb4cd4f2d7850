#pragma once
// In-memory model of a spreadsheet workbook: a title, worksheets, and per
// worksheet rectangular ranges (one value and one set of formatting
// attributes each), column widths, a page setup and the used area.  The model
// knows nothing of the file format; TvteExcelWriter (vteWriters.h) stores it.
//
// Texts are 8-bit texts in code page 1250.  Rows and columns count from 0.
#include <array>
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

class TvteXLSWorkbook;
class TvteXLSWorksheet;

// Colours are 0x00BBGGRR.  With the top bit set the low 24 bits name a system
// colour, whose RGB value the writer resolves.
using TvteColor = std::uint32_t;
inline constexpr TvteColor TvteSystemColorFlag = 0x80000000u;
inline constexpr TvteColor TvteColorBlack = 0x00000000u;
inline constexpr TvteColor TvteColorWindowText = TvteSystemColorFlag | 8u;

// ---------------------------------------------------------------------------
// Cell values.

struct TvteNull {
    bool operator==(const TvteNull &) const = default;
};
// Fixed point with four decimals: Scaled = value × 10000.
struct TvteCurrency {
    std::int64_t Scaled = 0;
    bool operator==(const TvteCurrency &) const = default;
};
// Days since 30 December 1899; the fraction is the time of day.
struct TvteDate {
    double Days = 0;
    bool operator==(const TvteDate &) const = default;
};

enum class TvteVariantKind {
    Empty, Null, Int16, Int32, UInt8, Float32, Float64, Currency, Date, Boolean, Text, WideText,
    Int8, UInt16, UInt32, Int64, UInt64
};

namespace vte::detail {
template <class T, class V> struct IsAlternative : std::false_type {};
template <class T, class... Ts>
struct IsAlternative<T, std::variant<Ts...>> : std::bool_constant<(std::is_same_v<T, Ts> || ...)> {};
}  // namespace vte::detail

// One of the value kinds a range can hold; the kinds never mix (an Int16 is
// not an Int32), because the writer stores some as numbers and the rest as text.
class TvteVariant {
public:
    using Data = std::variant<std::monostate, TvteNull, std::int16_t, std::int32_t, std::uint8_t, float, double,
                              TvteCurrency, TvteDate, bool, std::string, std::u16string, std::int8_t,
                              std::uint16_t, std::uint32_t, std::int64_t, std::uint64_t>;

    TvteVariant() = default;
    // Only the exact alternative types are accepted, so 5 is an Int32 and
    // std::int16_t{5} an Int16.
    template <class T>
        requires(!std::same_as<std::remove_cvref_t<T>, TvteVariant> &&
                 vte::detail::IsAlternative<std::remove_cvref_t<T>, Data>::value)
    TvteVariant(T &&value) : data_(std::in_place_type<std::remove_cvref_t<T>>, std::forward<T>(value)) {}
    TvteVariant(const char *text) : data_(std::in_place_type<std::string>, text) {}
    TvteVariant(const char16_t *text) : data_(std::in_place_type<std::u16string>, text) {}

    TvteVariantKind Kind() const { return static_cast<TvteVariantKind>(data_.index()); }
    const Data &Value() const { return data_; }
    template <class T> const T *Get() const { return std::get_if<T>(&data_); }

    // Int16, Int32, Float32, Float64, Currency and UInt8 are numbers; every
    // other kind is written as its text form.
    bool IsNumber() const {
        static_assert(std::is_same_v<std::variant_alternative_t<2, Data>, std::int16_t> &&
                      std::is_same_v<std::variant_alternative_t<7, Data>, TvteCurrency>);
        return data_.index() >= 2 && data_.index() <= 7;
    }
    double AsNumber() const;  // meaningful for numbers only
    // The 8-bit text form of a value that is not a number: 8-bit text as it
    // is, UTF-16 text converted, empty and null as "", booleans "True"/"False",
    // integers in decimal, dates as d.m.yyyy h:mm:ss (date or time alone when
    // the other part is zero).
    std::string TextForm() const;

    bool operator==(const TvteVariant &) const = default;

private:
    Data data_;
};

// ---------------------------------------------------------------------------
// Formatting.

enum class TvteFontStyle : std::uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };

class TvteFontStyles {
public:
    TvteFontStyles() = default;
    TvteFontStyles(std::initializer_list<TvteFontStyle> styles) {
        for (TvteFontStyle s : styles) Include(s);
    }
    bool Contains(TvteFontStyle s) const { return (bits_ & static_cast<std::uint8_t>(s)) != 0; }
    void Include(TvteFontStyle s) { bits_ |= static_cast<std::uint8_t>(s); }
    void Exclude(TvteFontStyle s) { bits_ &= static_cast<std::uint8_t>(~static_cast<std::uint8_t>(s)); }
    bool Empty() const { return bits_ == 0; }
    bool operator==(const TvteFontStyles &) const = default;

private:
    std::uint8_t bits_ = 0;
};

enum class TvteFontPitch : std::uint8_t { Default, Variable, Fixed };

struct TvteXLSFont {
    std::string Name = "Arial";
    int Size = 10;  // points
    TvteFontStyles Style;
    TvteColor Color = TvteColorBlack;
    std::uint8_t Charset = 1;  // default character set
    TvteFontPitch Pitch = TvteFontPitch::Default;

    // Every field counts; the cheap ones are compared first.
    bool operator==(const TvteXLSFont &o) const {
        return Size == o.Size && Color == o.Color && Style == o.Style && Charset == o.Charset &&
               Pitch == o.Pitch && Name == o.Name;
    }
};

struct TvteXLSBorder {
    TvteColor Color = TvteColorBlack;
    std::uint8_t LineStyle = 0;  // 0 none, 1 thin, ... 13 slanted dash-dot; 0 is not drawn
    bool operator==(const TvteXLSBorder &) const = default;
};

enum class TvteBorderKind : int { DiagonalDown = 0, DiagonalUp = 1, Bottom = 2, Left = 3, Right = 4, Top = 5 };

class TvteXLSBorders {
public:
    TvteXLSBorder &Items(int kind) { return items_.at(static_cast<std::size_t>(kind)); }
    const TvteXLSBorder &Items(int kind) const { return items_.at(static_cast<std::size_t>(kind)); }
    TvteXLSBorder &Items(TvteBorderKind kind) { return Items(static_cast<int>(kind)); }
    const TvteXLSBorder &Items(TvteBorderKind kind) const { return Items(static_cast<int>(kind)); }
    bool operator==(const TvteXLSBorders &) const = default;

private:
    std::array<TvteXLSBorder, 6> items_{};
};

struct TvteXLSCol {
    int Index = 0;
    int Width = 2048;  // 1/256 of a character width
};

struct TvteXLSPageSetup {
    bool BlackAndWhite = false;
    std::string CenterHeader, CenterFooter, LeftHeader, LeftFooter, RightHeader, RightFooter;
    bool CenterHorizontally = false;
    bool CenterVertically = false;
    bool Draft = false;
    int FirstPageNumber = 1;
    int FitToPagesTall = 1;
    int FitToPagesWide = 1;
    std::uint8_t Order = 0;        // 1 = over then down
    std::uint8_t Orientation = 0;  // 0 = portrait
    std::uint8_t PaperSize = 9;    // A4
    bool PrintGridLines = false;
    bool PrintHeadings = false;
    bool PrintNotes = false;
    double LeftMargin = 2.0, RightMargin = 2.0;
    double TopMargin = 2.5, BottomMargin = 2.5;
    double HeaderMargin = 0, FooterMargin = 0;
    int Scale = 100;
    int Copies = 0;
};

// ---------------------------------------------------------------------------

class TvteXLSRange {
public:
    TvteXLSRange(TvteXLSWorksheet *owner, int left, int top, int right, int bottom)
        : Left(left), Top(top), Right(right), Bottom(bottom), owner_(owner) {}
    TvteXLSRange(const TvteXLSRange &) = delete;
    TvteXLSRange &operator=(const TvteXLSRange &) = delete;

    TvteXLSWorksheet *Worksheet() const { return owner_; }

    // Texts (8-bit or UTF-16) are stored as 8-bit text with every CR LF
    // turned into LF; any other value is stored as it is.
    void SetValue(const TvteVariant &value);

    // Inclusive, stored as given.  Fixed for the range's life: the worksheet
    // finds its ranges by the cells they cover.
    const int Left, Top, Right, Bottom;
    TvteVariant Value;
    TvteXLSFont Font;
    std::uint8_t HorzAlign = 0;  // 0 general .. 6 centred across selection
    std::uint8_t VertAlign = 2;  // 0 top, 1 centred, 2 bottom, 3 justified
    bool WrapText = false;
    std::uint8_t Rotation = 0;
    std::string NumberFormat;  // empty = General
    TvteXLSBorders Borders;
    std::uint8_t FillPattern = 0;  // 0 = no fill
    TvteColor FillColor = TvteColorBlack;
    TvteColor PatternColor = TvteColorBlack;

private:
    TvteXLSWorksheet *owner_;
};

class TvteXLSWorksheet {
public:
    explicit TvteXLSWorksheet(TvteXLSWorkbook *owner);
    TvteXLSWorksheet(const TvteXLSWorksheet &) = delete;
    TvteXLSWorksheet &operator=(const TvteXLSWorksheet &) = delete;

    TvteXLSWorkbook *Workbook() const { return owner_; }
    int IndexInBook() const;

    const std::string &Name() const { return name_; }
    // The first 31 characters, then blanks and control characters removed at both ends.
    void SetName(const std::string &name);

    TvteXLSPageSetup &PageSetup() { return pageSetup_; }
    const TvteXLSPageSetup &PageSetup() const { return pageSetup_; }

    // The range with exactly these coordinates, created when there is none.
    TvteXLSRange *Ranges(int left, int top, int right, int bottom);
    TvteXLSRange *FindRange(int left, int top, int right, int bottom) const;
    // Deletes every range that the new one overlaps, then appends it.
    TvteXLSRange *AddRange(int left, int top, int right, int bottom);
    int RangeCount() const { return static_cast<int>(ranges_.size()); }
    TvteXLSRange *RangeAt(int position) const { return ranges_.at(static_cast<std::size_t>(position)).get(); }

    TvteXLSCol *Cols(int index);
    TvteXLSCol *FindCol(int index) const;
    TvteXLSCol *AddCol(int index);
    int ColCount() const { return static_cast<int>(cols_.size()); }
    TvteXLSCol *ColAt(int position) const { return cols_.at(static_cast<std::size_t>(position)).get(); }

    // The used area; -1 until something is added, and it never shrinks.
    int FirstCol() const { return firstCol_; }
    int FirstRow() const { return firstRow_; }
    int LastCol() const { return lastCol_; }
    int LastRow() const { return lastRow_; }

private:
    std::vector<TvteXLSRange *> OverlappedRanges(int left, int top, int right, int bottom) const;
    void RemoveRanges(const std::vector<TvteXLSRange *> &doomed);
    TvteXLSRange *IndexedRange(int col, int row) const;
    void MarkCells(const TvteXLSRange &range, TvteXLSRange *value);

    TvteXLSWorkbook *owner_;
    std::string name_;
    TvteXLSPageSetup pageSetup_;
    std::vector<std::unique_ptr<TvteXLSRange>> ranges_;
    // A sheet is filled cell by cell, so ranges are looked up by cell rather
    // than by walking the list.  Ranges that are not reversed never share a
    // cell, so each cell of a small range names that range:
    // cellIndex_[row][column], grown as cells are added, over the rows and
    // columns a sheet can address.  Large ranges (which would fill the index),
    // reversed ones (whose overlap is not a matter of common cells) and ones
    // outside that area are kept apart in looseRanges_, in list order, and
    // tested one by one.
    std::vector<std::vector<TvteXLSRange *>> cellIndex_;
    std::vector<TvteXLSRange *> looseRanges_;
    std::vector<std::unique_ptr<TvteXLSCol>> cols_;
    int firstCol_ = -1, firstRow_ = -1, lastCol_ = -1, lastRow_ = -1;
};

class TvteXLSWorkbook {
public:
    TvteXLSWorkbook();
    ~TvteXLSWorkbook();
    TvteXLSWorkbook(const TvteXLSWorkbook &) = delete;
    TvteXLSWorkbook &operator=(const TvteXLSWorkbook &) = delete;

    const std::string &Title() const { return title_; }
    // The first 66 characters, then blanks and control characters removed at both ends.
    void SetTitle(const std::string &title);

    TvteXLSWorksheet *AddSheet();
    int SheetCount() const { return static_cast<int>(sheets_.size()); }
    TvteXLSWorksheet *Sheets(int position) const { return sheets_.at(static_cast<std::size_t>(position)).get(); }
    void Clear();

private:
    std::string title_;
    std::vector<std::unique_ptr<TvteXLSWorksheet>> sheets_;
};

namespace vte {
// Blanks and control characters (bytes up to 0x20) removed at both ends.
std::string TrimText(const std::string &text);
// Whether two rectangles overlap by the model's test (corners taken as stored).
bool RangesOverlap(int aLeft, int aTop, int aRight, int aBottom, int bLeft, int bTop, int bRight, int bBottom);
}  // namespace vte
