// The workbook stream: the globals (with the sheet list and the shared
// strings), then each sheet (vteWriterSheet.cpp); the cell formats are in
// vteWriterFormats.cpp.
#include "vteWriters.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

#include "BIFF8_RecordData.h"
#include "CompoundFile.h"

using namespace vte;

namespace {

// WRITEACCESS holds a count, an option byte and the characters in 112 bytes.
constexpr std::size_t kMaxWriteAccessChars = (biff8::WriteAccessSize - 3) / 2;

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
