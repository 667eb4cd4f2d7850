// One worksheet's records, in the order readers expect them: BOF, INDEX,
// the sheet settings, the page setup, the columns, DIMENSIONS, the rows in
// blocks (ROW records, cells, DBCELL), WINDOW2 and SELECTION, the merged
// cells, EOF.
#include <algorithm>
#include <string>
#include <utility>

#include "BIFF8_RecordData.h"
#include "vteWriters.h"

using namespace vte;
using namespace biff8;

namespace {

void WriteSheetBof(TvteStream &stream) {
    std::vector<std::uint8_t> data;
    Bytes(data).U16(BiffVersion).U16(BofWorksheet).U16(BuildId).U16(BuildYear).Zeros(8);
    Record(stream, BOF, data);
}

// The INDEX record: the sheet's rows and, per block of rows, where its
// DBCELL record lies.  Written first with room for those positions, and
// again once the blocks are written and the positions known.
class RowIndex {
public:
    explicit RowIndex(const TvteXLSWorksheet &sheet) {
        const bool hasRows = sheet.FirstRow() != -1 && sheet.LastRow() != -1;
        if (hasRows && sheet.LastRow() >= sheet.FirstRow()) {
            const auto rows = static_cast<std::size_t>(sheet.LastRow()) - static_cast<std::size_t>(sheet.FirstRow()) + 1;
            blocks_ = (rows + RowsPerBlock - 1) / RowsPerBlock;
        }
        Bytes(data_)
            .U32(0)
            .U32(hasRows ? static_cast<std::uint32_t>(sheet.FirstRow()) : 0)
            .U32(hasRows ? static_cast<std::uint32_t>(sheet.LastRow() + 1) : 0)
            .U32(0);
        dbcellFields_ = data_.size();
        data_.resize(data_.size() + 4 * blocks_, 0);
    }
    std::size_t Blocks() const { return blocks_; }

    void Write(TvteStream &stream) {
        position_ = stream.Position();
        Record(stream, INDEX, data_);
    }
    // The DBCELL positions, from the start of the workbook stream, one per block.
    void Rewrite(TvteStream &stream, const std::vector<std::size_t> &dbcells) {
        for (std::size_t block = 0; block < dbcells.size(); ++block)
            for (std::size_t k = 0; k < 4; ++k)
                data_[dbcellFields_ + 4 * block + k] = static_cast<std::uint8_t>(dbcells[block] >> (8 * k));
        stream.Seek(position_);
        Record(stream, INDEX, data_);
        stream.SeekEnd();
    }

private:
    std::vector<std::uint8_t> data_;
    std::size_t dbcellFields_ = 0;
    std::size_t blocks_ = 0;
    std::size_t position_ = 0;
};

// Calculation, printing and row defaults.
void WriteSheetSettings(TvteStream &stream, const TvteXLSPageSetup &setup) {
    Record16(stream, CALCMODE, 1);
    Record16(stream, CALCCOUNT, 100);
    Record16(stream, REFMODE, 1);
    Record16(stream, ITERATION, 0);
    Image(stream, DeltaImage);
    Record16(stream, SAVERECALC, 1);
    Record16(stream, PRINTHEADERS, setup.PrintHeadings ? 1 : 0);
    Record16(stream, PRINTGRIDLINES, setup.PrintGridLines ? 1 : 0);
    Record16(stream, GRIDSET, 1);
    std::vector<std::uint8_t> data(8, 0);
    Record(stream, GUTS, data);
    data.clear();
    Bytes(data).U16(0).U16(RowHeightTwips);
    Record(stream, DEFAULTROWHEIGHT, data);
    Record16(stream, WSBOOL, 0x04C1);
}

std::string HeaderText(const std::string &left, const std::string &centre, const std::string &right) {
    std::string text;
    if (!left.empty()) text += "&L" + left;
    if (!centre.empty()) text += "&C" + centre;
    if (!right.empty()) text += "&R" + right;
    return text;
}

// HEADER and FOOTER, each only when it has a text.
void WriteHeaderAndFooter(TvteStream &stream, const TvteXLSPageSetup &setup) {
    const std::string header = HeaderText(setup.LeftHeader, setup.CenterHeader, setup.RightHeader);
    const std::string footer = HeaderText(setup.LeftFooter, setup.CenterFooter, setup.RightFooter);
    std::vector<std::uint8_t> data;
    for (const auto &[id, text] : {std::pair{HEADER, &header}, std::pair{FOOTER, &footer}}) {
        if (text->empty()) continue;
        data.clear();
        Bytes(data).WideString16(std::string_view(*text).substr(0, kMaxText));
        Record(stream, id, data);
    }
}

// Centring, margins and the SETUP record.
void WritePageLayout(TvteStream &stream, const TvteXLSPageSetup &setup) {
    Record16(stream, HCENTER, setup.CenterHorizontally ? 1 : 0);
    Record16(stream, VCENTER, setup.CenterVertically ? 1 : 0);
    RecordF64(stream, LEFTMARGIN, setup.LeftMargin);
    RecordF64(stream, RIGHTMARGIN, setup.RightMargin);
    RecordF64(stream, TOPMARGIN, setup.TopMargin);
    RecordF64(stream, BOTTOMMARGIN, setup.BottomMargin);

    unsigned flags = 0;
    if (setup.Order == 1) flags |= 0x0001;
    if (setup.Orientation == 0) flags |= 0x0002;
    if (setup.BlackAndWhite) flags |= 0x0008;
    if (setup.Draft) flags |= 0x0010;
    if (setup.PrintNotes) flags |= 0x0020;
    if (setup.FirstPageNumber != 1) flags |= 0x0080;
    std::vector<std::uint8_t> data;
    Bytes(data)
        .U16(setup.PaperSize)
        .U16(static_cast<unsigned>(setup.Scale))
        .U16(static_cast<unsigned>(setup.FirstPageNumber))
        .U16(static_cast<unsigned>(setup.FitToPagesWide))
        .U16(static_cast<unsigned>(setup.FitToPagesTall))
        .U16(flags)
        .U16(0)
        .U16(0)
        .F64(setup.HeaderMargin)
        .F64(setup.FooterMargin)
        .U16(static_cast<unsigned>(setup.Copies));
    Record(stream, SETUP, data);
}

// DEFCOLWIDTH and a COLINFO record per column of the model.
void WriteColumns(TvteStream &stream, const TvteXLSWorksheet &sheet) {
    Record16(stream, DEFCOLWIDTH, 8);
    std::vector<std::uint8_t> data;
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
}

void WriteDimensions(TvteStream &stream, const TvteXLSWorksheet &sheet) {
    std::vector<std::uint8_t> data;
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
}

// WINDOW2 (the first sheet is the selected one) and SELECTION.
void WriteWindow(TvteStream &stream, const TvteXLSWorksheet &sheet) {
    std::vector<std::uint8_t> data;
    Bytes(data)
        .U16(Window2Flags | (sheet.IndexInBook() == 0 ? Window2Selected : 0))
        .U16(0)
        .U16(0)
        .U16(GridLineColourIndex)
        .U16(0)
        .Zeros(8);
    Record(stream, WINDOW2, data);
    TvteExcelWriter::WriteRecord(stream, SELECTION, SelectionData.data(), SelectionData.size());
}

}  // namespace

// ---------------------------------------------------------------------------
// Which ranges cover a row.

// Asked for the rows in ascending order, lists the ranges that cover each,
// by Left, ranges of equal Left in their list order.
class TvteExcelWriter::RowCover {
public:
    RowCover(const RangeEntry *ranges, int count) : ranges_(ranges), count_(count) {
        // A sheet filled as exports fill it, row by row and left to right
        // with ranges of one row each, lists the ranges of a row as one run:
        // the run is what the sweep would find, at less cost.
        rowRuns_ = true;
        for (int i = 0; i < count_ && rowRuns_; ++i) {
            const RangeEntry &c = at(i);
            rowRuns_ = c.top == c.bottom &&
                       (i == 0 || at(i - 1).top < c.top || (at(i - 1).top == c.top && at(i - 1).left <= c.left));
        }
        if (rowRuns_) return;
        // Otherwise the ranges that cover a row are found by sweeping the
        // rows once rather than scanning every range for every row.
        for (int i = 0; i < count_; ++i)
            if (at(i).top <= at(i).bottom) byTop_.push_back(i);
        const auto topLess = [&](int a, int b) { return at(a).top < at(b).top; };
        // Sheets are mostly filled row by row, so the list is usually in order already.
        if (!std::is_sorted(byTop_.begin(), byTop_.end(), topLess))
            std::stable_sort(byTop_.begin(), byTop_.end(), topLess);
    }

    void RangesOfRow(int r, std::vector<int> &list) {
        list.clear();
        if (rowRuns_)
            RunOfRow(r, list);
        else
            SweepToRow(r, list);
    }

private:
    const RangeEntry &at(int i) const { return ranges_[i]; }

    void RunOfRow(int r, std::vector<int> &list) {
        while (nextRun_ < count_ && at(nextRun_).top < r) ++nextRun_;
        while (nextRun_ < count_ && at(nextRun_).top == r) list.push_back(nextRun_++);
    }

    void SweepToRow(int r, std::vector<int> &list) {
        bool added = false;
        while (nextByTop_ < byTop_.size() && at(byTop_[nextByTop_]).top <= r) {
            active_.push_back(byTop_[nextByTop_++]);
            added = true;
        }
        if (added) std::sort(active_.begin(), active_.end());
        std::erase_if(active_, [&](int i) { return at(i).bottom < r; });
        // By Left, ranges of equal Left keeping their list order; rows hold few ranges.
        for (int i : active_) {
            const int left = at(i).left;
            auto place = list.end();
            while (place != list.begin() && at(*(place - 1)).left > left) --place;
            list.insert(place, i);
        }
    }

    const RangeEntry *ranges_;
    int count_;
    bool rowRuns_ = true;
    int nextRun_ = 0;
    std::vector<int> byTop_;  // the ranges by Top, for the sweep
    std::size_t nextByTop_ = 0;
    std::vector<int> active_;  // covering the current row, in range list order
};

// ---------------------------------------------------------------------------
// A block of rows.

// Gathers the ROW records and the cells of up to RowsPerBlock rows, then
// writes them with a DBCELL record holding the offsets the readers use to
// find the cells of each row.
class TvteExcelWriter::RowBlock {
public:
    RowBlock(const TvteXLSWorksheet &sheet, const RangeEntry *ranges) : sheet_(sheet), ranges_(ranges) {}

    // Row `r` and the cells of the ranges in `list` (indices in the sheet's ranges).
    void AddRow(int r, const std::vector<int> &list) {
        rows_.Begin(ROW, 16)
            .U16(static_cast<unsigned>(r))
            .U16(list.empty() ? 0 : static_cast<unsigned>(ranges_[list.front()].left))
            .U16(list.empty() ? 0 : static_cast<unsigned>(ranges_[list.back()].right + 1))
            .U16(RowHeightTwips)
            .U32(0)
            .U32(0);
        if (rowCellStarts_.empty()) firstRowEnd_ = rows_.Size();
        rowCellStarts_.push_back(cells_.Size());
        for (int i : list) PutCells(r, i);
    }

    std::size_t RowCount() const { return rowCellStarts_.size(); }

    // Writes the block; returns the stream position of its DBCELL record.
    std::size_t Flush(TvteStream &stream) {
        const std::size_t firstRowPosition = stream.Position();
        stream.Write(rows_.Data(), rows_.Size());
        if (cells_.Size()) stream.Write(cells_.Data(), cells_.Size());
        const std::size_t dbcellPosition = stream.Position();
        const std::size_t firstCellOffset = rows_.Size() - firstRowEnd_;  // from the end of the first ROW
        scratch_.clear();
        Bytes(scratch_)
            .U32(static_cast<std::uint32_t>(dbcellPosition - firstRowPosition))
            .U16(static_cast<unsigned>(firstCellOffset));
        for (std::size_t k = 1; k < rowCellStarts_.size(); ++k)
            Bytes(scratch_).U16(static_cast<unsigned>(rowCellStarts_[k] - rowCellStarts_[k - 1]));
        Record(stream, DBCELL, scratch_);
        rows_.Clear();
        cells_.Clear();
        rowCellStarts_.clear();
        return dbcellPosition;
    }

private:
    // The cells range `i` has in row `r`: its value in its top left cell,
    // blank cells carrying its format in the rest of the row.
    void PutCells(int r, int i) {
        const RangeEntry &range = ranges_[i];
        const auto xf = static_cast<unsigned>(range.xfIndex);
        int next = range.left;
        if (r == range.top) {
            const auto cell = [&](std::uint16_t id, std::size_t size) {
                RecordBuffer::Fields fields = cells_.Begin(id, size);
                fields.U16(static_cast<unsigned>(r)).U16(static_cast<unsigned>(range.left)).U16(xf);
                return fields;
            };
            if (range.number)
                cell(NUMBER, 14).F64(sheet_.RangeAt(i)->Value.AsNumber());
            else if (range.sstIndex >= 0)
                cell(LABELSST, 10).U32(static_cast<std::uint32_t>(range.sstIndex));
            else
                cell(BLANK, 6);  // no text to point to: an empty cell that keeps the format
            next = range.left + 1;
        }
        if (next < range.right) {
            scratch_.clear();
            Bytes(scratch_).U16(static_cast<unsigned>(r)).U16(static_cast<unsigned>(next));
            for (int c = next; c <= range.right; ++c) Bytes(scratch_).U16(xf);
            Bytes(scratch_).U16(static_cast<unsigned>(range.right));
            Record(cells_, MULBLANK, scratch_);
        } else if (next == range.right) {
            cells_.Begin(BLANK, 6).U16(static_cast<unsigned>(r)).U16(static_cast<unsigned>(range.right)).U16(xf);
        }
    }

    const TvteXLSWorksheet &sheet_;
    const RangeEntry *ranges_;
    RecordBuffer rows_, cells_;
    std::vector<std::size_t> rowCellStarts_;  // offset of each row's cells in `cells_`
    std::size_t firstRowEnd_ = 0;  // in `rows_`
    std::vector<std::uint8_t> scratch_;
};

// ---------------------------------------------------------------------------

void TvteExcelWriter::WriteSheet(TvteStream &stream, const TvteXLSWorksheet &sheet, std::size_t firstRange) {
    const RangeEntry *const ranges = rangeTable_.data() + firstRange;  // the sheet's part of the table

    WriteSheetBof(stream);
    RowIndex index(sheet);
    index.Write(stream);
    WriteSheetSettings(stream, sheet.PageSetup());
    WriteHeaderAndFooter(stream, sheet.PageSetup());
    WritePageLayout(stream, sheet.PageSetup());
    WriteColumns(stream, sheet);
    WriteDimensions(stream, sheet);
    if (index.Blocks() > 0) index.Rewrite(stream, WriteRowBlocks(stream, sheet, ranges));
    WriteWindow(stream, sheet);
    WriteMergedCells(stream, ranges, sheet.RangeCount());
    WriteRecord(stream, EOF_, nullptr, 0);
}

std::vector<std::size_t> TvteExcelWriter::WriteRowBlocks(TvteStream &stream, const TvteXLSWorksheet &sheet,
                                                         const RangeEntry *ranges) const {
    RowCover cover(ranges, sheet.RangeCount());
    RowBlock block(sheet, ranges);
    std::vector<std::size_t> dbcells;
    std::vector<int> list;
    for (int r = sheet.FirstRow(); r <= sheet.LastRow(); ++r) {
        cover.RangesOfRow(r, list);
        block.AddRow(r, list);
        if (block.RowCount() == RowsPerBlock || r == sheet.LastRow())
            dbcells.push_back(block.Flush(stream) - basePosition_);
    }
    return dbcells;
}

void TvteExcelWriter::WriteMergedCells(TvteStream &stream, const RangeEntry *ranges, int count) {
    // Readers take at most 1027 areas from one record, so larger lists are
    // split into several complete records.
    std::vector<const RangeEntry *> areas;
    for (int i = 0; i < count; ++i)
        if (ranges[i].left != ranges[i].right || ranges[i].top != ranges[i].bottom) areas.push_back(&ranges[i]);
    std::vector<std::uint8_t> data;
    for (std::size_t from = 0; from < areas.size(); from += MaxMergedAreasPerRecord) {
        const std::size_t n = std::min(MaxMergedAreasPerRecord, areas.size() - from);
        data.clear();
        Bytes(data).U16(static_cast<unsigned>(n));
        for (std::size_t k = from; k < from + n; ++k)
            Bytes(data)
                .U16(static_cast<unsigned>(areas[k]->top))
                .U16(static_cast<unsigned>(areas[k]->bottom))
                .U16(static_cast<unsigned>(areas[k]->left))
                .U16(static_cast<unsigned>(areas[k]->right));
        Record(stream, MERGEDCELLS, data);
    }
}
