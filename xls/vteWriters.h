#pragma once
// Writers of the workbook model (vteExcel.h).  TvteExcelWriter stores a
// workbook as an .xls file: a compound document whose one stream "Workbook"
// holds the BIFF8 record stream that WriteWorkbook produces.  The writer is
// defined in three files: vteWriters.cpp (streams, colours, the workbook
// globals and shared strings), vteWriterFormats.cpp (fonts, number formats,
// cell formats, palette) and vteWriterSheet.cpp (one worksheet).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vteExcel.h"

// A byte stream the writer can write, seek back in to patch an offset, and
// return to the end of.
class TvteStream {
public:
    virtual ~TvteStream() = default;
    // Writes at the current position, overwriting or extending.
    virtual void Write(const void *data, std::size_t size) = 0;
    virtual std::size_t Position() const = 0;
    // Moves to an offset not beyond the end.
    virtual void Seek(std::size_t position) = 0;
    virtual void SeekEnd() = 0;
};

class TvteMemoryStream final : public TvteStream {
public:
    // Inline, as the writer appends many records of a few bytes.
    void Write(const void *data, std::size_t size) override {
        const auto *bytes = static_cast<const unsigned char *>(data);
        if (position_ == bytes_.size())
            bytes_.insert(bytes_.end(), bytes, bytes + size);
        else
            Overwrite(bytes, size);
        position_ += size;
    }
    std::size_t Position() const override { return position_; }
    void Seek(std::size_t position) override;
    void SeekEnd() override { position_ = bytes_.size(); }

    const std::vector<unsigned char> &Bytes() const { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }
    void Reserve(std::size_t size) { bytes_.reserve(size); }
    void Clear() {
        bytes_.clear();
        position_ = 0;
    }

private:
    void Overwrite(const unsigned char *bytes, std::size_t size);

    std::vector<unsigned char> bytes_;
    std::size_t position_ = 0;
};

class TvteCustomWriter {
public:
    virtual ~TvteCustomWriter() = default;
    // Does nothing here; each kind of writer stores the workbook its own way.
    virtual void SaveToFile(const TvteXLSWorkbook &workbook, const std::string &fileName);
};

class TvteExcelWriter : public TvteCustomWriter {
public:
    TvteExcelWriter();

    // Creates or replaces the file; `fileName` is the path as the file system
    // takes it (not a code page 1250 text).  Failures raise vte::WriteError
    // (WriteError.h) with the message the caller shows: "StgCreateDocFile
    // error %d", "CreateStream error %d" or the system's input/output error text.
    void SaveToFile(const TvteXLSWorkbook &workbook, const std::string &fileName) override;

    // The whole workbook stream, from the stream's current position on.
    void WriteWorkbook(const TvteXLSWorkbook &workbook, TvteStream &stream);

    // One record: id, length, data; data beyond 8224 bytes goes on in CONTINUE records.
    static void WriteRecord(TvteStream &stream, std::uint16_t id, const void *data, std::size_t size);

    // One UTF-16 unit per byte of the 8-bit (code page 1250) text.
    static std::u16string ToWide(const std::string &text);

    // Palette position 0..55 of a colour, taking a free palette entry for a
    // colour the palette does not hold yet.  The colour index in FONT and XF
    // records is this plus 8.
    int ColorIndex(TvteColor color);

    // The palette state of the current (or last) write.
    const std::vector<std::uint32_t> &Palette() const { return palette_; }
    bool PaletteChanged() const { return paletteChanged_; }

private:
    // Per range of the workbook, in workbook order: what the writing passes
    // need of it, copied in one walk over the ranges so that they need not
    // visit the range objects again.  Kept small: it is allocated per write.
    struct RangeEntry {
        std::int32_t left = 0, top = 0, right = 0, bottom = 0;
        // While collecting: the position in xfInputs_; then the cell XF index.
        std::int32_t xfIndex = 0;
        std::int32_t sstIndex = -1;  // -1: the range has no string
        bool number = false;  // stored as a number rather than as a string
    };
    struct SheetEntry {
        std::size_t bofPosition = 0;
        std::size_t offsetFieldPosition = 0;
        std::size_t firstRange = 0;  // index of its first range in the range table
    };
    struct FormatEntry {
        std::string text;
        std::uint16_t index;
    };

    template <class F> void ForEachRange(F &&f) const;

    void ResetColours();
    void WriteGlobals(TvteStream &stream);
    // The one walk over the ranges for the range table and the font, format
    // and cell format lists, through the Collect functions.
    void CollectRanges();
    // Empties the lists but for the standard fonts and the built-in formats.
    void ResetFormatLists();
    // Each returns the index the range gets in its list.
    std::int32_t CollectFont(const TvteXLSRange &range);
    void WriteFonts(TvteStream &stream);
    std::int32_t CollectFormat(const TvteXLSRange &range);
    void WriteFormats(TvteStream &stream);
    std::int32_t CollectCellXf(const TvteXLSRange &range, std::int32_t fontIndex, std::int32_t formatIndex);
    // Builds the XF records of the collected formats; after the fonts, as
    // the order of the colour look-ups decides the palette positions.
    void BuildCellXfs();
    void WriteXfs(TvteStream &stream);
    void WritePalette(TvteStream &stream);
    void WriteBoundSheets(TvteStream &stream);
    void WriteSharedStrings(TvteStream &stream);
    // What a cell format (XF) record is made of: equal inputs give equal records.
    struct XfInputs {
        std::int32_t fontIndex, formatIndex;
        TvteXLSBorders borders;
        TvteColor fillColor, patternColor;
        std::uint8_t fillPattern, horzAlign, vertAlign, rotation;
        bool wrapText, merged;
        bool operator==(const XfInputs &) const = default;
        // Whether these are the inputs of the range, a cheaper test than building them.
        bool Match(const TvteXLSRange &range, std::int32_t font, std::int32_t format) const;
        static XfInputs Of(const TvteXLSRange &range, std::int32_t fontIndex, std::int32_t formatIndex);
    };
    using XfData = std::array<std::uint8_t, 20>;
    XfData BuildXf(const XfInputs &inputs);

    // One worksheet, its ranges starting at `firstRange` in the range table.
    void WriteSheet(TvteStream &stream, const TvteXLSWorksheet &sheet, std::size_t firstRange);
    class RowCover;  // which ranges cover each row
    class RowBlock;  // the records of one block of rows
    // The row blocks; returns where each block's DBCELL record lies, from
    // the start of the workbook stream.
    std::vector<std::size_t> WriteRowBlocks(TvteStream &stream, const TvteXLSWorksheet &sheet,
                                            const RangeEntry *ranges) const;
    static void WriteMergedCells(TvteStream &stream, const RangeEntry *ranges, int count);

    const TvteXLSWorkbook *workbook_ = nullptr;
    std::size_t basePosition_ = 0;
    std::vector<RangeEntry> rangeTable_;
    std::vector<SheetEntry> sheetTable_;

    std::vector<std::uint32_t> usedColours_;
    std::vector<std::uint32_t> palette_;
    bool paletteChanged_ = false;

    std::vector<TvteXLSFont> fonts_;
    std::vector<FormatEntry> formats_;
    std::vector<XfData> cellXfs_;
    std::vector<XfInputs> xfInputs_;  // the distinct inputs, in order of first use
    std::size_t lastXfInputs_ = 0;
    std::size_t lastFont_ = 0;
};
