// The workbook's fonts, number formats and cell formats (XF), and the
// palette their colours end up in: collected in one walk over the ranges,
// then written in the workbook globals.
#include <algorithm>

#include "BIFF8_RecordData.h"
#include "vteWriters.h"

using namespace vte;

namespace {

constexpr std::size_t kMaxFontName = 0xFF;

// Fill pattern kinds of the model to BIFF8 fill pattern numbers.  Kinds without
// a number of their own get the solid fill, so a requested fill stays visible.
std::uint8_t FillPatternNumber(std::uint8_t kind) {
    switch (kind) {
    case 0: return 0;
    case 2: return 9;
    case 3: return 16;
    case 5: return 18;
    case 6: return 17;
    case 10: return 15;
    case 12: return 13;
    case 13: return 11;
    case 14: return 14;
    case 15: return 12;
    case 16: return 10;
    case 17: return 1;
    default: return 1;
    }
}

struct BuiltInFormat {
    const char *text;
    std::uint16_t index;
};
// \xF0 is the code page 1250 byte of the currency letter.
constexpr std::array<BuiltInFormat, 8> kBuiltInFormats = {{
    {"#,##0\"\xF0.\";\\-#,##0\"\xF0.\"", 5},
    {"#,##0\"\xF0.\";[Red]\\-#,##0\"\xF0.\"", 6},
    {"#,##0.00\"\xF0.\";\\-#,##0.00\"\xF0.\"", 7},
    {"#,##0.00\"\xF0.\";[Red]\\-#,##0.00\"\xF0.\"", 8},
    {"_-* #,##0\"\xF0.\"_-;\\-* #,##0\"\xF0.\"_-;_-* \"-\"\"\xF0.\"_-;_-@_-", 42},
    {"_-* #,##0_\xF0_._-;\\-* #,##0_\xF0_._-;_-* \"-\"_\xF0_._-;_-@_-", 41},
    {"_-* #,##0.00\"\xF0.\"_-;\\-* #,##0.00\"\xF0.\"_-;_-* \"-\"??\"\xF0.\"_-;_-@_-", 44},
    {"_-* #,##0.00_\xF0_._-;\\-* #,##0.00_\xF0_._-;_-* \"-\"??_\xF0_._-;_-@_-", 43},
}};
constexpr std::uint16_t kFirstCustomFormat = 50;

}  // namespace

void TvteExcelWriter::CollectRanges() {
    ResetFormatLists();

    std::size_t at = 0;
    for (int s = 0; s < workbook_->SheetCount(); ++s) {
        const TvteXLSWorksheet &sheet = *workbook_->Sheets(s);
        const int count = sheet.RangeCount();
        for (int i = 0; i < count; ++i) {
            const TvteXLSRange &range = *sheet.RangeAt(i);
            RangeEntry &entry = rangeTable_[at++];
            entry.left = range.Left;
            entry.top = range.Top;
            entry.right = range.Right;
            entry.bottom = range.Bottom;
            const std::int32_t fontIndex = CollectFont(range);
            const std::int32_t formatIndex = CollectFormat(range);
            entry.xfIndex = CollectCellXf(range, fontIndex, formatIndex);
            entry.number = range.Value.IsNumber();
        }
    }
}

void TvteExcelWriter::ResetFormatLists() {
    TvteXLSFont standard;
    standard.Color = TvteColorWindowText;
    fonts_.assign(4, standard);
    lastFont_ = 0;
    formats_.clear();
    for (const BuiltInFormat &f : kBuiltInFormats) formats_.push_back({f.text, f.index});
    xfInputs_.clear();
    lastXfInputs_ = 0;
}

std::int32_t TvteExcelWriter::CollectFont(const TvteXLSRange &range) {
    // Neighbouring ranges mostly share their font: try the last one first.
    if (!(fonts_[lastFont_] == range.Font)) {
        auto found = std::find(fonts_.begin(), fonts_.end(), range.Font);
        if (found == fonts_.end()) {
            fonts_.push_back(range.Font);
            found = fonts_.end() - 1;
        }
        lastFont_ = static_cast<std::size_t>(found - fonts_.begin());
    }
    // Readers skip font index 4, hence the + 1.
    return static_cast<std::int32_t>(lastFont_) + 1;
}

void TvteExcelWriter::WriteFonts(TvteStream &stream) {
    std::vector<std::uint8_t> data;
    for (const TvteXLSFont &font : fonts_) {
        unsigned flags = 0;
        if (font.Style.Contains(TvteFontStyle::Italic)) flags |= 0x0002;
        if (font.Style.Contains(TvteFontStyle::StrikeOut)) flags |= 0x0008;
        unsigned family = 0;
        if (font.Pitch == TvteFontPitch::Fixed) family = 1;
        if (font.Pitch == TvteFontPitch::Variable) family = 2;
        const std::string name = font.Name.substr(0, kMaxFontName);
        data.clear();
        Bytes(data)
            .U16(static_cast<unsigned>(font.Size * 20))
            .U16(flags)
            .U16(static_cast<unsigned>(ColorIndex(font.Color) + 8))
            .U16(font.Style.Contains(TvteFontStyle::Bold) ? biff8::FontWeightBold : biff8::FontWeightNormal)
            .U16(0)
            .U8(font.Style.Contains(TvteFontStyle::Underline) ? 1 : 0)
            .U8(family)
            .U8(font.Charset)
            .U8(0)
            .U8(static_cast<unsigned>(name.size()))
            .U8(1)
            .Wide(name);
        Record(stream, biff8::FONT, data);
    }
}

std::int32_t TvteExcelWriter::CollectFormat(const TvteXLSRange &range) {
    if (range.NumberFormat.empty()) return 0;  // General
    auto found = std::find_if(formats_.begin(), formats_.end(), [&](const FormatEntry &f) {
        return cp1250::SameTextIgnoringCase(f.text, range.NumberFormat);
    });
    if (found == formats_.end()) {
        const auto custom = static_cast<std::uint16_t>(kFirstCustomFormat + formats_.size() - kBuiltInFormats.size());
        formats_.push_back({range.NumberFormat, custom});
        found = formats_.end() - 1;
    }
    return found->index;
}

void TvteExcelWriter::WriteFormats(TvteStream &stream) {
    std::vector<std::uint8_t> data;
    for (const FormatEntry &format : formats_) {
        data.clear();
        Bytes(data).U16(format.index).WideString16(std::string_view(format.text).substr(0, kMaxText));
        Record(stream, biff8::FORMAT, data);
    }
}

TvteExcelWriter::XfInputs TvteExcelWriter::XfInputs::Of(const TvteXLSRange &range, std::int32_t fontIndex,
                                                         std::int32_t formatIndex) {
    return {.fontIndex = fontIndex,
            .formatIndex = formatIndex,
            .borders = range.Borders,
            .fillColor = range.FillColor,
            .patternColor = range.PatternColor,
            .fillPattern = range.FillPattern,
            .horzAlign = range.HorzAlign,
            .vertAlign = range.VertAlign,
            .rotation = range.Rotation,
            .wrapText = range.WrapText,
            .merged = range.Left != range.Right || range.Top != range.Bottom};
}

bool TvteExcelWriter::XfInputs::Match(const TvteXLSRange &range, std::int32_t font, std::int32_t format) const {
    // Field by field, without building the inputs of the range.
    return fontIndex == font && formatIndex == format && fillColor == range.FillColor &&
           patternColor == range.PatternColor && fillPattern == range.FillPattern &&
           horzAlign == range.HorzAlign && vertAlign == range.VertAlign && rotation == range.Rotation &&
           wrapText == range.WrapText && merged == (range.Left != range.Right || range.Top != range.Bottom) &&
           borders == range.Borders;
}

TvteExcelWriter::XfData TvteExcelWriter::BuildXf(const XfInputs &in) {
    const TvteXLSBorders &b = in.borders;
    auto drawn = [&](TvteBorderKind kind) { return b.Items(kind).LineStyle != 0; };
    auto style = [&](TvteBorderKind kind) { return static_cast<std::uint32_t>(b.Items(kind).LineStyle & 0x0F); };
    auto colour = [&](TvteBorderKind kind) -> std::uint32_t {
        return drawn(kind) ? static_cast<std::uint32_t>(ColorIndex(b.Items(kind).Color) + 8) & 0x7F : 0;
    };

    // The order of the colour lookups decides the palette positions.
    const std::uint32_t diagDown = colour(TvteBorderKind::DiagonalDown);
    const std::uint32_t diagUp = colour(TvteBorderKind::DiagonalUp);
    const std::uint32_t left = colour(TvteBorderKind::Left);
    const std::uint32_t right = colour(TvteBorderKind::Right);
    const std::uint32_t top = colour(TvteBorderKind::Top);
    const std::uint32_t bottom = colour(TvteBorderKind::Bottom);
    const std::uint32_t fill = static_cast<std::uint32_t>(ColorIndex(in.fillColor) + 8) & 0x7F;
    const std::uint32_t pattern = static_cast<std::uint32_t>(ColorIndex(in.patternColor) + 8) & 0x7F;

    std::uint32_t diagColour = 0, diagStyle = 0;
    if (drawn(TvteBorderKind::DiagonalUp)) {
        diagColour = diagUp;
        diagStyle = style(TvteBorderKind::DiagonalUp);
    } else if (drawn(TvteBorderKind::DiagonalDown)) {
        diagColour = diagDown;
        diagStyle = style(TvteBorderKind::DiagonalDown);
    }

    const unsigned alignment = static_cast<std::uint8_t>(in.horzAlign + (in.wrapText ? 0x08 : 0) + in.vertAlign * 16);
    const std::uint32_t lineStyles = style(TvteBorderKind::Left) | style(TvteBorderKind::Right) << 4 |
                                     style(TvteBorderKind::Top) << 8 | style(TvteBorderKind::Bottom) << 12;
    std::uint32_t sideColours = left | right << 7;
    if (drawn(TvteBorderKind::DiagonalDown)) sideColours |= 0x4000;
    if (drawn(TvteBorderKind::DiagonalUp)) sideColours |= 0x8000;
    const std::uint32_t moreColours = top | bottom << 7 | diagColour << 14 | diagStyle << 21 |
                                      static_cast<std::uint32_t>(FillPatternNumber(in.fillPattern) & 0x3F) << 26;

    Small<biff8::XfDataSize> xf;
    xf.U16(static_cast<unsigned>(in.fontIndex))
        .U16(static_cast<unsigned>(in.formatIndex))
        .U16(biff8::XfCellLocked)
        .U16(alignment | static_cast<unsigned>(in.rotation) << 8)
        .U16(biff8::XfUsedAttributes | (in.merged ? biff8::XfMerge : 0))
        .U16(lineStyles)
        .U16(sideColours)
        .U32(moreColours)
        .U16(fill | pattern << 7);
    return xf.Array();
}

std::int32_t TvteExcelWriter::CollectCellXf(const TvteXLSRange &range, std::int32_t fontIndex,
                                            std::int32_t formatIndex) {
    // Ranges formatted alike share their inputs; neighbours mostly are alike.
    if (!xfInputs_.empty() && xfInputs_[lastXfInputs_].Match(range, fontIndex, formatIndex))
        return static_cast<std::int32_t>(lastXfInputs_);
    const XfInputs inputs = XfInputs::Of(range, fontIndex, formatIndex);
    {
        auto found = std::find(xfInputs_.begin(), xfInputs_.end(), inputs);
        if (found == xfInputs_.end()) {
            xfInputs_.push_back(inputs);
            found = xfInputs_.end() - 1;
        }
        lastXfInputs_ = static_cast<std::size_t>(found - xfInputs_.begin());
    }
    return static_cast<std::int32_t>(lastXfInputs_);
}

void TvteExcelWriter::BuildCellXfs() {
    cellXfs_.clear();
    cellXfs_.push_back(biff8::DefaultCellXf);
    // In order of first use, so the colours are looked up in the order the
    // ranges first ask for them.  A colour asked for again gets the same
    // palette entry, so each distinct set of inputs is built once.
    std::vector<std::int32_t> xfOfInputs;
    xfOfInputs.reserve(xfInputs_.size());
    for (const XfInputs &inputs : xfInputs_) {
        const XfData xf = BuildXf(inputs);
        auto found = std::find(cellXfs_.begin(), cellXfs_.end(), xf);
        if (found == cellXfs_.end()) {
            cellXfs_.push_back(xf);
            found = cellXfs_.end() - 1;
        }
        xfOfInputs.push_back(static_cast<std::int32_t>(found - cellXfs_.begin() + biff8::FirstCellXf));
    }
    for (RangeEntry &entry : rangeTable_) entry.xfIndex = xfOfInputs[static_cast<std::size_t>(entry.xfIndex)];
}

void TvteExcelWriter::WriteXfs(TvteStream &stream) {
    for (const biff8::XfImage *image : biff8::StyleXfs) Image(stream, *image);
    for (const XfData &xf : cellXfs_) WriteRecord(stream, biff8::XF, xf.data(), xf.size());
}

void TvteExcelWriter::WritePalette(TvteStream &stream) {
    std::vector<std::uint8_t> data;
    Bytes bytes(data);
    bytes.U16(static_cast<unsigned>(palette_.size()));
    for (std::uint32_t c : palette_) bytes.U8(c & 0xFF).U8((c >> 8) & 0xFF).U8((c >> 16) & 0xFF).U8(0);
    Record(stream, biff8::PALETTE, data);
}
