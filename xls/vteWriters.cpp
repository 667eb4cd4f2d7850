#include "vteWriters.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstring>
#include <stdexcept>

#include "BIFF8_Types.h"
#include "Cp1250Codec.h"
#include "CompoundFile.h"

namespace {

static_assert(std::endian::native == std::endian::little, "the record layouts are copied as they lie in memory");

// Puts the UTF-16LE units of an 8-bit text at `p`; returns the end.
std::uint8_t *PutWide(std::uint8_t *p, std::string_view text) {
    // Eight characters at a time: the units of ASCII characters are the
    // bytes themselves, so each byte is spread to two, the high one zero.
    const auto spread = [](std::uint64_t four) {
        four = (four | four << 16) & 0x0000FFFF0000FFFFull;
        return (four | four << 8) & 0x00FF00FF00FF00FFull;
    };
    const auto putUnits = [&p](std::string_view bytes) {
        for (char c : bytes) {
            const char16_t unit = cp1250::kUnits[static_cast<unsigned char>(c)];
            std::memcpy(p, &unit, 2);
            p += 2;
        }
    };
    for (; text.size() >= 8; text.remove_prefix(8)) {
        std::uint64_t eight;
        std::memcpy(&eight, text.data(), 8);
        const std::uint64_t low = spread(eight & 0xFFFFFFFFu), high = spread(eight >> 32);
        std::memcpy(p, &low, 8);
        std::memcpy(p + 8, &high, 8);
        // The few bytes of the upper half of the code page get their own units.
        for (std::uint64_t upper = eight & 0x8080808080808080ull; upper; upper &= upper - 1) {
            const int k = std::countr_zero(upper) / 8;
            const char16_t unit = cp1250::kUnits[static_cast<unsigned char>(text[static_cast<std::size_t>(k)])];
            std::memcpy(p + 2 * k, &unit, 2);
        }
        p += 16;
    }
    putUnits(text);
    return p;
}

void Put16(std::uint8_t *p, unsigned v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// Little-endian record data under construction.
class Bytes {
public:
    explicit Bytes(std::vector<std::uint8_t> &out) : out_(out) {}
    Bytes &U8(unsigned v) {
        out_.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Bytes &U16(unsigned v) {
        std::uint8_t *p = Grow(2);
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        return *this;
    }
    Bytes &U32(std::uint32_t v) {
        std::uint8_t *p = Grow(4);
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
        return *this;
    }
    Bytes &F64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        std::uint8_t *p = Grow(8);
        for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        return *this;
    }
    Bytes &Zeros(std::size_t n) {
        Grow(n);
        return *this;
    }
    // UTF-16LE units of an 8-bit text.
    Bytes &Wide(std::string_view text) {
        PutWide(Grow(2 * text.size()), text);
        return *this;
    }
    // Character count, option byte 1 (uncompressed), the characters.
    Bytes &WideString16(std::string_view text) { return U16(static_cast<unsigned>(text.size())).U8(1).Wide(text); }

private:
    // n more bytes, zero, at the end.
    std::uint8_t *Grow(std::size_t n) {
        const std::size_t at = out_.size();
        out_.resize(at + n);
        return out_.data() + at;
    }
    std::vector<std::uint8_t> &out_;
};

// The data of a small record, built on the stack.
template <std::size_t N> class Small {
public:
    Small &U16(unsigned v) {
        b_[n_++] = static_cast<std::uint8_t>(v);
        b_[n_++] = static_cast<std::uint8_t>(v >> 8);
        return *this;
    }
    Small &U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    std::array<std::uint8_t, N> Array() const {
        std::array<std::uint8_t, N> out;
        std::memcpy(out.data(), b_, N);
        return out;
    }

private:
    std::uint8_t b_[N];
    std::size_t n_ = 0;
};

// Records of one block of rows, gathered before they go into the stream.  It
// grows in large steps and never shrinks.  The small records are put
// straight in place, field by field (Begin, then U16, U32, F64 on the
// Fields it returns): building them elsewhere and copying them in costs more
// than building them.
class RecordBuffer {
public:
    // Where the fields of a record go: a pointer of its own, which stays in a
    // register while the bytes are written (the buffer's own members would be
    // read again after every byte).
    class Fields {
    public:
        Fields(std::uint8_t *p, const std::uint8_t *end) : p_(p), end_(end) {}
        Fields &U16(unsigned v) {
            assert(end_ - p_ >= 2 && "no more bytes than the record announced");
            p_[0] = static_cast<std::uint8_t>(v);
            p_[1] = static_cast<std::uint8_t>(v >> 8);
            p_ += 2;
            return *this;
        }
        Fields &U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
        Fields &F64(double v) {
            assert(end_ - p_ >= 8 && "no more bytes than the record announced");
            std::memcpy(p_, &v, 8);
            p_ += 8;
            return *this;
        }

    private:
        std::uint8_t *p_;
        const std::uint8_t *end_;  // checked in debug builds; the optimiser drops it otherwise
    };

    // A record of `size` data bytes; exactly that many must follow.
    Fields Begin(std::uint16_t id, std::size_t size) {
        Room(biff8::RecordHeaderSize + size);
        std::uint8_t *start = bytes_.data() + used_;
        used_ += biff8::RecordHeaderSize + size;
        Fields fields(start, bytes_.data() + used_);
        fields.U16(id).U16(static_cast<unsigned>(size));
        return fields;
    }
    // Any bytes, e.g. a whole record.
    void Write(const void *data, std::size_t size) {
        Room(size);
        std::memcpy(bytes_.data() + used_, data, size);
        used_ += size;
    }

    const std::uint8_t *Data() const { return bytes_.data(); }
    std::size_t Size() const { return used_; }
    void Clear() { used_ = 0; }

private:
    void Room(std::size_t size) {
        if (bytes_.size() - used_ < size) bytes_.resize(std::max(2 * bytes_.size(), used_ + size));
    }

    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
};

// TvteExcelWriter::WriteRecord, for a TvteStream or a RecordBuffer.
template <class Sink> void PutRecord(Sink &sink, std::uint16_t id, const void *data, std::size_t size) {
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    if (size <= 60) {  // the cell records: one write of header and data
        std::uint8_t record[64] = {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
                                   static_cast<std::uint8_t>(size), 0};
        if (size) std::memcpy(record + 4, bytes, size);
        sink.Write(record, 4 + size);
        return;
    }
    std::size_t done = 0;
    do {
        const std::size_t piece = std::min(size - done, biff8::MaxRecordData);
        const std::uint16_t pieceId = done == 0 ? id : biff8::CONTINUE;
        const std::uint8_t header[4] = {static_cast<std::uint8_t>(pieceId), static_cast<std::uint8_t>(pieceId >> 8),
                                        static_cast<std::uint8_t>(piece), static_cast<std::uint8_t>(piece >> 8)};
        sink.Write(header, sizeof header);
        if (piece) sink.Write(bytes + done, piece);
        done += piece;
    } while (done < size);
}

template <class Sink> void Record(Sink &sink, std::uint16_t id, const std::vector<std::uint8_t> &data) {
    PutRecord(sink, id, data.data(), data.size());
}

void Record16(TvteStream &stream, std::uint16_t id, unsigned value) {
    const std::uint8_t data[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
    TvteExcelWriter::WriteRecord(stream, id, data, sizeof data);
}

void RecordF64(TvteStream &stream, std::uint16_t id, double value) {
    std::vector<std::uint8_t> data;
    Bytes(data).F64(value);
    Record(stream, id, data);
}

template <std::size_t N> void Image(TvteStream &stream, const std::array<std::uint8_t, N> &image) {
    stream.Write(image.data(), image.size());
}

void PatchU32(TvteStream &stream, std::size_t position, std::uint32_t value) {
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    stream.Seek(position);
    stream.Write(bytes, sizeof bytes);
}

// Texts longer than a 16-bit character count are cut so that the count and
// the characters that follow it still agree.
constexpr std::size_t kMaxText = 0xFFFF;
// WRITEACCESS holds a count, an option byte and the characters in 112 bytes.
constexpr std::size_t kMaxWriteAccessChars = (biff8::WriteAccessSize - 3) / 2;
constexpr std::size_t kMaxFontName = 0xFF;

// The usual RGB values (0xRRGGBB) of the system colour numbers 0 to 30.
constexpr std::array<std::uint32_t, 31> kSystemColoursRgb = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4,
    0xF4F7FC, 0xABABAB, 0x3399FF, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x434E54, 0xFFFFFF, 0x696969,
    0xE3E3E3, 0x000000, 0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0};

TvteColor ResolveSystemColour(TvteColor color) {
    const std::uint32_t number = color & 0x00FFFFFFu;
    if (number >= kSystemColoursRgb.size()) return TvteColorBlack;
    const std::uint32_t rgb = kSystemColoursRgb[number];
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

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

// ---------------------------------------------------------------------------

void TvteMemoryStream::Overwrite(const unsigned char *bytes, std::size_t size) {
    const std::size_t overlap = std::min(size, bytes_.size() - position_);
    std::memcpy(bytes_.data() + position_, bytes, overlap);
    bytes_.insert(bytes_.end(), bytes + overlap, bytes + size);
}

void TvteMemoryStream::Seek(std::size_t position) {
    if (position > bytes_.size()) throw std::out_of_range("seek beyond the end of the stream");
    position_ = position;
}

// ---------------------------------------------------------------------------

void TvteCustomWriter::SaveToFile(const TvteXLSWorkbook &, const std::string &) {}

TvteExcelWriter::TvteExcelWriter() { ResetColours(); }

void TvteExcelWriter::SaveToFile(const TvteXLSWorkbook &workbook, const std::string &fileName) {
    std::size_t ranges = 0;
    for (int s = 0; s < workbook.SheetCount(); ++s)
        ranges += static_cast<std::size_t>(workbook.Sheets(s)->RangeCount());
    TvteMemoryStream stream;
    stream.Reserve(8192 + ranges * 64);  // a text cell takes about 40 bytes with its string
    WriteWorkbook(workbook, stream);
    vte::WriteCompoundFile(fileName, "Workbook", stream.Bytes());
}

void TvteExcelWriter::WriteRecord(TvteStream &stream, std::uint16_t id, const void *data, std::size_t size) {
    PutRecord(stream, id, data, size);
}

std::u16string TvteExcelWriter::ToWide(const std::string &text) {
    return cp1250::ToUtf16(text);
}

// ---------------------------------------------------------------------------
// Colours.

void TvteExcelWriter::ResetColours() {
    palette_.assign(biff8::DefaultPalette.begin(), biff8::DefaultPalette.end());
    paletteChanged_ = false;
    usedColours_.clear();
}

int TvteExcelWriter::ColorIndex(TvteColor color) {
    if (color & TvteSystemColorFlag) color = ResolveSystemColour(color);
    if (std::find(usedColours_.begin(), usedColours_.end(), color) == usedColours_.end())
        usedColours_.push_back(color);
    if (auto at = std::find(palette_.begin(), palette_.end(), color); at != palette_.end())
        return static_cast<int>(at - palette_.begin());
    for (std::size_t pos = 0; pos < palette_.size(); ++pos) {
        const std::uint32_t held = palette_[pos];
        const bool fixed = std::find(biff8::FixedColours.begin(), biff8::FixedColours.end(), held) !=
                           biff8::FixedColours.end();
        if (fixed || std::find(usedColours_.begin(), usedColours_.end(), held) != usedColours_.end()) continue;
        palette_[pos] = color;
        paletteChanged_ = true;
        return static_cast<int>(pos);
    }
    return 1;  // every free entry holds a colour in use
}

// ---------------------------------------------------------------------------
// The workbook.

template <class F> void TvteExcelWriter::ForEachRange(F &&f) const {
    std::size_t entry = 0;
    for (int s = 0; s < workbook_->SheetCount(); ++s) {
        const TvteXLSWorksheet &sheet = *workbook_->Sheets(s);
        for (int i = 0; i < sheet.RangeCount(); ++i) f(*sheet.RangeAt(i), entry++);
    }
}

void TvteExcelWriter::CollectRanges() {
    TvteXLSFont standard;
    standard.Color = TvteColorWindowText;
    fonts_.assign(4, standard);
    lastFont_ = 0;
    formats_.clear();
    for (const BuiltInFormat &f : kBuiltInFormats) formats_.push_back({f.text, f.index});
    xfInputs_.clear();
    lastXfInputs_ = 0;

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

void TvteExcelWriter::WriteWorkbook(const TvteXLSWorkbook &workbook, TvteStream &stream) {
    // The tables and lists live for this write only, also when it fails.
    struct Release {
        TvteExcelWriter &w;
        ~Release() {
            w.usedColours_.clear();
            w.rangeTable_.clear();
            w.rangeTable_.shrink_to_fit();
            w.sheetTable_.clear();
            w.fonts_.clear();
            w.formats_.clear();
            w.cellXfs_.clear();
            w.xfInputs_.clear();
            w.workbook_ = nullptr;
        }
    } release{*this};

    workbook_ = &workbook;
    std::size_t rangeCount = 0;
    sheetTable_.assign(static_cast<std::size_t>(workbook.SheetCount()), SheetEntry{});
    for (int s = 0; s < workbook.SheetCount(); ++s) {
        sheetTable_[static_cast<std::size_t>(s)].firstRange = rangeCount;
        rangeCount += static_cast<std::size_t>(workbook.Sheets(s)->RangeCount());
    }
    rangeTable_.assign(rangeCount, RangeEntry{});
    ResetColours();
    basePosition_ = stream.Position();

    WriteGlobals(stream);
    for (int s = 0; s < workbook.SheetCount(); ++s) {
        SheetEntry &entry = sheetTable_[static_cast<std::size_t>(s)];
        entry.bofPosition = stream.Position();
        WriteSheet(stream, *workbook.Sheets(s), entry.firstRange);
    }
    for (const SheetEntry &entry : sheetTable_)
        PatchU32(stream, entry.offsetFieldPosition, static_cast<std::uint32_t>(entry.bofPosition));
    stream.SeekEnd();
}

void TvteExcelWriter::WriteGlobals(TvteStream &stream) {
    using namespace biff8;
    std::vector<std::uint8_t> data;

    Bytes(data).U16(BiffVersion).U16(BofWorkbookGlobals).U16(BuildId).U16(BuildYear).U32(0).U32(BiffVersion);
    Record(stream, BOF, data);
    Record16(stream, INTERFACEHDR, CodePage);
    Record16(stream, MMS, 0);
    WriteRecord(stream, INTERFACEEND, nullptr, 0);

    data.clear();
    const std::string title = workbook_->Title().substr(0, kMaxWriteAccessChars);
    Bytes(data).WideString16(title);
    data.resize(WriteAccessSize, 0x20);
    Record(stream, WRITEACCESS, data);

    Record16(stream, CODEPAGE, CodePage);
    Record16(stream, DSF, 0);
    WriteRecord(stream, EXCEL9FILE, nullptr, 0);

    data.clear();
    for (int s = 0; s < workbook_->SheetCount(); ++s) Bytes(data).U16(static_cast<unsigned>(s));
    Record(stream, TABID, data);

    Record16(stream, FNGROUPCOUNT, 14);
    Record16(stream, WINDOWPROTECT, 0);
    Record16(stream, PROTECT, 0);
    Record16(stream, PASSWORD, 0);
    Record16(stream, PROT4REV, 0);
    Record16(stream, PROT4REVPASS, 0);

    data.clear();
    Bytes(data).U16(360).U16(30).U16(7454).U16(6240).U16(0x0038).U16(0).U16(0).U16(1).U16(600);
    Record(stream, WINDOW1, data);

    Record16(stream, BACKUP, 0);
    Record16(stream, HIDEOBJ, 0);
    Record16(stream, DATEMODE, 0);
    Record16(stream, PRECISION, 1);
    Record16(stream, REFRESHALL, 0);
    Record16(stream, BOOKBOOL, 0);

    CollectRanges();
    WriteFonts(stream);
    WriteFormats(stream);
    BuildCellXfs();
    WriteXfs(stream);
    if (paletteChanged_) WritePalette(stream);
    for (const StyleImage &style : Styles) Image(stream, style);
    Record16(stream, USESELFS, 0);
    WriteBoundSheets(stream);

    data.clear();
    Bytes(data).U16(7).U16(7);
    Record(stream, COUNTRY, data);

    WriteSharedStrings(stream);
    WriteRecord(stream, EOF_, nullptr, 0);
}

// ---------------------------------------------------------------------------
// Fonts, formats, cell formats.

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

// ---------------------------------------------------------------------------
// Sheet list and shared strings.

void TvteExcelWriter::WriteBoundSheets(TvteStream &stream) {
    std::vector<std::uint8_t> data;
    for (int s = 0; s < workbook_->SheetCount(); ++s) {
        const std::string &name = workbook_->Sheets(s)->Name();
        sheetTable_[static_cast<std::size_t>(s)].offsetFieldPosition = stream.Position() + biff8::RecordHeaderSize;
        data.clear();
        Bytes(data).U32(0).U16(0).U8(static_cast<unsigned>(name.size())).U8(1).Wide(name);
        Record(stream, biff8::BOUNDSHEET, data);
    }
}

void TvteExcelWriter::WriteSharedStrings(TvteStream &stream) {
    using biff8::MaxRecordSize;
    using biff8::RecordHeaderSize;
    const std::size_t sstPosition = stream.Position();

    // The strings go out a record at a time: SST, then CONTINUE records.  A
    // record is filled here and written once the next one starts.
    std::array<std::uint8_t, MaxRecordSize> record;
    std::size_t used = 0;  // bytes of `record` filled, header included
    std::size_t recordPosition = sstPosition;
    auto flush = [&] {
        Put16(record.data() + 2, static_cast<unsigned>(used - RecordHeaderSize));
        stream.Write(record.data(), used);
        recordPosition += used;
    };
    auto startContinue = [&](bool withOptionByte) {
        flush();
        Put16(record.data(), biff8::CONTINUE);
        used = RecordHeaderSize;
        if (withOptionByte) record[used++] = 1;
    };
    Put16(record.data(), biff8::SST);
    used = 12;  // the two counts are filled in at the end

    std::vector<std::uint8_t> extsst;
    Bytes(extsst).U16(biff8::StringsPerBucket);

    std::uint32_t n = 0;
    ForEachRange([&](const TvteXLSRange &range, std::size_t entry) {
        if (rangeTable_[entry].number) return;
        std::string converted;
        std::string_view text;
        if (const std::string *stored = range.Value.Get<std::string>()) {
            text = *stored;
        } else {
            converted = range.Value.TextForm();
            text = converted;
        }
        if (text.empty()) return;
        text = text.substr(0, kMaxText);

        rangeTable_[entry].sstIndex = static_cast<std::int32_t>(n++);
        if (MaxRecordSize - used <= 4) startContinue(false);
        if ((n - 1) % biff8::StringsPerBucket == 0)
            Bytes(extsst)
                .U32(static_cast<std::uint32_t>(recordPosition + used))
                .U16(static_cast<unsigned>(used))
                .U16(0);

        // The count and option byte, then as many characters as the record
        // holds; the rest goes on in CONTINUE records, each starting with
        // the option byte again.
        std::size_t chars = std::min(text.size(), (MaxRecordSize - used - 3) / 2);
        Put16(record.data() + used, static_cast<unsigned>(text.size()));
        record[used + 2] = 1;
        used = static_cast<std::size_t>(PutWide(record.data() + used + 3, text.substr(0, chars)) - record.data());
        for (std::size_t done = chars; done < text.size(); done += chars) {
            startContinue(true);
            chars = std::min(text.size() - done, (MaxRecordSize - used) / 2);
            used = static_cast<std::size_t>(PutWide(record.data() + used, text.substr(done, chars)) - record.data());
        }
    });
    if (n == 0) return;

    flush();
    PatchU32(stream, sstPosition + 4, n);  // total
    PatchU32(stream, sstPosition + 8, n);  // unique
    stream.SeekEnd();
    Record(stream, biff8::EXTSST, extsst);
}

// ---------------------------------------------------------------------------
// One worksheet.

void TvteExcelWriter::WriteSheet(TvteStream &stream, const TvteXLSWorksheet &sheet, std::size_t firstRange) {
    using namespace biff8;
    const TvteXLSPageSetup &setup = sheet.PageSetup();
    std::vector<std::uint8_t> data;

    data.clear();
    Bytes(data).U16(BiffVersion).U16(BofWorksheet).U16(BuildId).U16(BuildYear).Zeros(8);
    Record(stream, BOF, data);

    const bool hasRows = sheet.FirstRow() != -1 && sheet.LastRow() != -1;
    std::size_t blocks = 0;
    if (hasRows && sheet.LastRow() >= sheet.FirstRow()) {
        const auto rows = static_cast<std::size_t>(sheet.LastRow()) - static_cast<std::size_t>(sheet.FirstRow()) + 1;
        blocks = (rows + RowsPerBlock - 1) / RowsPerBlock;
    }
    std::vector<std::uint8_t> index;
    Bytes(index)
        .U32(0)
        .U32(hasRows ? static_cast<std::uint32_t>(sheet.FirstRow()) : 0)
        .U32(hasRows ? static_cast<std::uint32_t>(sheet.LastRow() + 1) : 0)
        .U32(0);
    const std::size_t dbcellFields = index.size();
    index.resize(index.size() + 4 * blocks, 0);
    const std::size_t indexPosition = stream.Position();
    Record(stream, INDEX, index);

    Record16(stream, CALCMODE, 1);
    Record16(stream, CALCCOUNT, 100);
    Record16(stream, REFMODE, 1);
    Record16(stream, ITERATION, 0);
    Image(stream, DeltaImage);
    Record16(stream, SAVERECALC, 1);
    Record16(stream, PRINTHEADERS, setup.PrintHeadings ? 1 : 0);
    Record16(stream, PRINTGRIDLINES, setup.PrintGridLines ? 1 : 0);
    Record16(stream, GRIDSET, 1);
    data.assign(8, 0);
    Record(stream, GUTS, data);
    data.clear();
    Bytes(data).U16(0).U16(RowHeightTwips);
    Record(stream, DEFAULTROWHEIGHT, data);
    Record16(stream, WSBOOL, 0x04C1);

    auto headerText = [](const std::string &l, const std::string &c, const std::string &r) {
        std::string text;
        if (!l.empty()) text += "&L" + l;
        if (!c.empty()) text += "&C" + c;
        if (!r.empty()) text += "&R" + r;
        return text;
    };
    const std::string header = headerText(setup.LeftHeader, setup.CenterHeader, setup.RightHeader);
    const std::string footer = headerText(setup.LeftFooter, setup.CenterFooter, setup.RightFooter);
    for (const auto &[id, text] : {std::pair{HEADER, &header}, std::pair{FOOTER, &footer}}) {
        if (text->empty()) continue;
        data.clear();
        Bytes(data).WideString16(std::string_view(*text).substr(0, kMaxText));
        Record(stream, id, data);
    }

    Record16(stream, HCENTER, setup.CenterHorizontally ? 1 : 0);
    Record16(stream, VCENTER, setup.CenterVertically ? 1 : 0);
    RecordF64(stream, LEFTMARGIN, setup.LeftMargin);
    RecordF64(stream, RIGHTMARGIN, setup.RightMargin);
    RecordF64(stream, TOPMARGIN, setup.TopMargin);
    RecordF64(stream, BOTTOMMARGIN, setup.BottomMargin);

    unsigned setupFlags = 0;
    if (setup.Order == 1) setupFlags |= 0x0001;
    if (setup.Orientation == 0) setupFlags |= 0x0002;
    if (setup.BlackAndWhite) setupFlags |= 0x0008;
    if (setup.Draft) setupFlags |= 0x0010;
    if (setup.PrintNotes) setupFlags |= 0x0020;
    if (setup.FirstPageNumber != 1) setupFlags |= 0x0080;
    data.clear();
    Bytes(data)
        .U16(setup.PaperSize)
        .U16(static_cast<unsigned>(setup.Scale))
        .U16(static_cast<unsigned>(setup.FirstPageNumber))
        .U16(static_cast<unsigned>(setup.FitToPagesWide))
        .U16(static_cast<unsigned>(setup.FitToPagesTall))
        .U16(setupFlags)
        .U16(0)
        .U16(0)
        .F64(setup.HeaderMargin)
        .F64(setup.FooterMargin)
        .U16(static_cast<unsigned>(setup.Copies));
    Record(stream, SETUP, data);

    Record16(stream, DEFCOLWIDTH, 8);
    for (int c = 0; c < sheet.ColCount(); ++c) {
        const TvteXLSCol &col = *sheet.ColAt(c);
        data.clear();
        Bytes(data)
            .U16(static_cast<unsigned>(col.Index))
            .U16(static_cast<unsigned>(col.Index))
            .U16(static_cast<unsigned>(col.Width))
            .U16(0)
            .U16(0)
            .U8(0);
        Record(stream, COLINFO, data);
    }

    data.clear();
    if (sheet.FirstRow() == -1 || sheet.LastRow() == -1 || sheet.FirstCol() == -1 || sheet.LastCol() == -1) {
        data.assign(14, 0);
    } else {
        Bytes(data)
            .U32(static_cast<std::uint32_t>(sheet.FirstRow()))
            .U32(static_cast<std::uint32_t>(sheet.LastRow() + 1))
            .U16(static_cast<unsigned>(sheet.FirstCol()))
            .U16(static_cast<unsigned>(sheet.LastCol() + 1))
            .U16(0);
    }
    Record(stream, DIMENSIONS, data);

    // The sheet's part of the range table.
    const RangeEntry *const sheetRanges = rangeTable_.data() + firstRange;
    const auto at = [&](int i) -> const RangeEntry & { return sheetRanges[i]; };

    if (hasRows && blocks > 0) {
        const int rangeCount = sheet.RangeCount();
        // A sheet filled as exports fill it, row by row and left to right
        // with ranges of one row each, lists the ranges of a row as one run:
        // the run is what the sweep below would find, at less cost.
        bool rowRuns = true;
        for (int i = 0; i < rangeCount && rowRuns; ++i) {
            const RangeEntry &c = at(i);
            rowRuns = c.top == c.bottom &&
                      (i == 0 || at(i - 1).top < c.top || (at(i - 1).top == c.top && at(i - 1).left <= c.left));
        }
        int nextRun = 0;

        // Otherwise the ranges that cover a row are found by sweeping the
        // rows once rather than scanning every range for every row.
        std::vector<int> byTop;
        if (!rowRuns) {
            for (int i = 0; i < rangeCount; ++i)
                if (at(i).top <= at(i).bottom) byTop.push_back(i);
            const auto topLess = [&](int a, int b) { return at(a).top < at(b).top; };
            // Sheets are mostly filled row by row, so the list is usually in order already.
            if (!std::is_sorted(byTop.begin(), byTop.end(), topLess))
                std::stable_sort(byTop.begin(), byTop.end(), topLess);
        }
        std::size_t nextByTop = 0;
        std::vector<int> active;  // in range list order
        std::vector<int> rowList;

        // A block: its ROW records, then its cells, then a DBCELL record
        // with the offsets the readers use to find the cells of each row.
        RecordBuffer rows, cells;
        std::vector<std::size_t> rowCellStarts;  // offset of each row's cells in `cells`
        std::size_t blockRows = 0, blockNumber = 0;
        std::size_t firstRowEnd = 0;  // in `rows`
        std::vector<std::uint8_t> dbcell;

        for (int r = sheet.FirstRow(); r <= sheet.LastRow(); ++r) {
            rowList.clear();
            if (rowRuns) {
                while (nextRun < rangeCount && at(nextRun).top < r) ++nextRun;
                while (nextRun < rangeCount && at(nextRun).top == r) rowList.push_back(nextRun++);
            } else {
                bool added = false;
                while (nextByTop < byTop.size() && at(byTop[nextByTop]).top <= r) {
                    active.push_back(byTop[nextByTop++]);
                    added = true;
                }
                if (added) std::sort(active.begin(), active.end());
                std::erase_if(active, [&](int i) { return at(i).bottom < r; });
                // By Left, ranges of equal Left keeping their list order; rows hold few ranges.
                for (int i : active) {
                    const int left = at(i).left;
                    auto place = rowList.end();
                    while (place != rowList.begin() && at(*(place - 1)).left > left) --place;
                    rowList.insert(place, i);
                }
            }

            rows.Begin(ROW, 16)
                .U16(static_cast<unsigned>(r))
                .U16(rowList.empty() ? 0 : static_cast<unsigned>(at(rowList.front()).left))
                .U16(rowList.empty() ? 0 : static_cast<unsigned>(at(rowList.back()).right + 1))
                .U16(RowHeightTwips)
                .U32(0)
                .U32(0);
            if (blockRows == 0) firstRowEnd = rows.Size();

            rowCellStarts.push_back(cells.Size());
            for (int i : rowList) {
                const RangeEntry &range = at(i);
                const auto xf = static_cast<unsigned>(range.xfIndex);
                int next = range.left;
                if (r == range.top) {
                    const auto cell = [&](std::uint16_t id, std::size_t size) {
                        RecordBuffer::Fields fields = cells.Begin(id, size);
                        fields.U16(static_cast<unsigned>(r)).U16(static_cast<unsigned>(range.left)).U16(xf);
                        return fields;
                    };
                    if (range.number)
                        cell(NUMBER, 14).F64(sheet.RangeAt(i)->Value.AsNumber());
                    else if (range.sstIndex >= 0)
                        cell(LABELSST, 10).U32(static_cast<std::uint32_t>(range.sstIndex));
                    else
                        cell(BLANK, 6);  // no text to point to: an empty cell that keeps the format
                    next = range.left + 1;
                }
                if (next < range.right) {
                    data.clear();
                    Bytes(data).U16(static_cast<unsigned>(r)).U16(static_cast<unsigned>(next));
                    for (int c = next; c <= range.right; ++c) Bytes(data).U16(xf);
                    Bytes(data).U16(static_cast<unsigned>(range.right));
                    Record(cells, MULBLANK, data);
                } else if (next == range.right) {
                    cells.Begin(BLANK, 6).U16(static_cast<unsigned>(r)).U16(static_cast<unsigned>(range.right)).U16(xf);
                }
            }

            ++blockRows;
            if (blockRows == RowsPerBlock || r == sheet.LastRow()) {
                const std::size_t firstRowPosition = stream.Position();
                stream.Write(rows.Data(), rows.Size());
                if (cells.Size()) stream.Write(cells.Data(), cells.Size());
                const std::size_t firstCellOffset = rows.Size() - firstRowEnd;  // from the end of the first ROW
                const std::size_t dbcellPosition = stream.Position() - basePosition_;
                for (int k = 0; k < 4; ++k)
                    index[dbcellFields + 4 * blockNumber + static_cast<std::size_t>(k)] =
                        static_cast<std::uint8_t>(dbcellPosition >> (8 * k));
                dbcell.clear();
                Bytes(dbcell).U32(static_cast<std::uint32_t>(stream.Position() - firstRowPosition)).U16(
                    static_cast<unsigned>(firstCellOffset));
                for (std::size_t k = 1; k < rowCellStarts.size(); ++k)
                    Bytes(dbcell).U16(static_cast<unsigned>(rowCellStarts[k] - rowCellStarts[k - 1]));
                Record(stream, DBCELL, dbcell);
                rows.Clear();
                cells.Clear();
                rowCellStarts.clear();
                blockRows = 0;
                ++blockNumber;
            }
        }
        stream.Seek(indexPosition);
        Record(stream, INDEX, index);
        stream.SeekEnd();
    }

    data.clear();
    Bytes(data)
        .U16(Window2Flags | (sheet.IndexInBook() == 0 ? Window2Selected : 0))
        .U16(0)
        .U16(0)
        .U16(GridLineColourIndex)
        .U16(0)
        .Zeros(8);
    Record(stream, WINDOW2, data);
    WriteRecord(stream, SELECTION, SelectionData.data(), SelectionData.size());

    // Readers take at most 1027 areas from one record, so larger lists are
    // split into several complete records.
    std::vector<const RangeEntry *> areas;
    for (int i = 0; i < sheet.RangeCount(); ++i)
        if (at(i).left != at(i).right || at(i).top != at(i).bottom) areas.push_back(&at(i));
    for (std::size_t from = 0; from < areas.size(); from += MaxMergedAreasPerRecord) {
        const std::size_t count = std::min(MaxMergedAreasPerRecord, areas.size() - from);
        data.clear();
        Bytes(data).U16(static_cast<unsigned>(count));
        for (std::size_t k = from; k < from + count; ++k)
            Bytes(data)
                .U16(static_cast<unsigned>(areas[k]->top))
                .U16(static_cast<unsigned>(areas[k]->bottom))
                .U16(static_cast<unsigned>(areas[k]->left))
                .U16(static_cast<unsigned>(areas[k]->right));
        Record(stream, MERGEDCELLS, data);
    }

    WriteRecord(stream, EOF_, nullptr, 0);
}
