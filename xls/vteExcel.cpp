#include "vteExcel.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <unordered_set>

#include "Cp1250Codec.h"

namespace {

constexpr std::size_t kMaxSheetName = 31;
constexpr std::size_t kMaxTitle = 66;

std::string DateText(double days) {
    using namespace std::chrono;
    const long long totalMs = std::llround(days * 86400000.0);
    long long day = totalMs / 86400000;
    long long ms = totalMs % 86400000;
    if (ms < 0) {
        ms += 86400000;
        --day;
    }
    const year_month_day date{sys_days{1899y / December / 30} + std::chrono::days{day}};
    char dateText[32];
    std::snprintf(dateText, sizeof dateText, "%u.%u.%d", static_cast<unsigned>(date.day()),
                  static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
    const long long seconds = ms / 1000;
    char timeText[32];
    std::snprintf(timeText, sizeof timeText, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    if (ms == 0) return dateText;
    if (day == 0) return timeText;
    return std::string(dateText) + ' ' + timeText;
}

// The worksheet's cell index covers the rows and columns a sheet can address
// and takes ranges of up to kMaxIndexedCells cells.
constexpr int kIndexRows = 65536;
constexpr int kIndexCols = 256;
constexpr std::uint64_t kMaxIndexedCells = 1024;

bool IsReversed(int left, int top, int right, int bottom) { return right < left || bottom < top; }

// The number of cells of a rectangle that is not reversed (saturating).
std::uint64_t CellCount(int left, int top, int right, int bottom) {
    const auto width = static_cast<std::uint64_t>(static_cast<std::int64_t>(right) - left) + 1;
    const auto height = static_cast<std::uint64_t>(static_cast<std::int64_t>(bottom) - top) + 1;
    if (width > std::numeric_limits<std::uint64_t>::max() / height) return std::numeric_limits<std::uint64_t>::max();
    return width * height;
}

bool IsIndexed(int left, int top, int right, int bottom) {
    return !IsReversed(left, top, right, bottom) && left >= 0 && top >= 0 && right < kIndexCols &&
           bottom < kIndexRows && CellCount(left, top, right, bottom) <= kMaxIndexedCells;
}

bool IsIndexed(const TvteXLSRange &r) { return IsIndexed(r.Left, r.Top, r.Right, r.Bottom); }

std::string NumberText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------

double TvteVariant::AsNumber() const {
    return std::visit(
        [](const auto &v) -> double {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, TvteCurrency>)
                return static_cast<double>(v.Scaled) / 10000.0;
            else if constexpr (std::is_same_v<T, TvteDate>)
                return v.Days;
            else if constexpr (std::is_arithmetic_v<T>)
                return static_cast<double>(v);
            else
                return 0.0;
        },
        data_);
}

std::string TvteVariant::TextForm() const {
    return std::visit(
        [](const auto &v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, TvteNull>)
                return {};
            else if constexpr (std::is_same_v<T, std::string>)
                return v;
            else if constexpr (std::is_same_v<T, std::u16string>)
                return cp1250::FromUtf16(v);
            else if constexpr (std::is_same_v<T, bool>)
                return v ? "True" : "False";
            else if constexpr (std::is_same_v<T, TvteDate>)
                return DateText(v.Days);
            else if constexpr (std::is_same_v<T, TvteCurrency>)
                return NumberText(static_cast<double>(v.Scaled) / 10000.0);
            else if constexpr (std::is_floating_point_v<T>)
                return NumberText(v);
            else
                return std::to_string(v);
        },
        data_);
}

// ---------------------------------------------------------------------------

namespace vte {

std::string TrimText(const std::string &text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
    return text.substr(first, last - first);
}

bool RangesOverlap(int aLeft, int aTop, int aRight, int aBottom, int bLeft, int bTop, int bRight, int bBottom) {
    auto inB = [&](int x, int y) { return bLeft <= x && x <= bRight && bTop <= y && y <= bBottom; };
    auto inA = [&](int x, int y) { return aLeft <= x && x <= aRight && aTop <= y && y <= aBottom; };
    if (inB(aLeft, aTop) || inB(aRight, aTop) || inB(aRight, aBottom) || inB(aLeft, aBottom)) return true;
    if (inA(bLeft, bTop) || inA(bRight, bTop) || inA(bRight, bBottom) || inA(bLeft, bBottom)) return true;
    // A cross: neither holds a corner of the other.
    if (aLeft > bLeft && aRight < bRight && aTop < bTop && aBottom > bBottom) return true;
    return aLeft < bLeft && aRight > bRight && aTop > bTop && aBottom < bBottom;
}

}  // namespace vte

// ---------------------------------------------------------------------------

void TvteXLSRange::SetValue(const TvteVariant &value) {
    std::string text;
    if (const auto *narrow = value.Get<std::string>())
        text = *narrow;
    else if (const auto *wide = value.Get<std::u16string>())
        text = cp1250::FromUtf16(*wide);
    else {
        Value = value;
        return;
    }
    std::string joined;
    joined.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // the LF follows
        joined.push_back(text[i]);
    }
    Value = TvteVariant(std::move(joined));
}

// ---------------------------------------------------------------------------

TvteXLSWorksheet::TvteXLSWorksheet(TvteXLSWorkbook *owner) : owner_(owner) {
    if (!owner_) return;
    // Called while the new sheet is not yet in the workbook's list.
    int n = owner_->SheetCount() + 1;
    auto taken = [&](int candidate) {
        const std::string name = "Sheet" + std::to_string(candidate);
        for (int i = 0; i < owner_->SheetCount(); ++i)
            if (cp1250::SameTextIgnoringCase(owner_->Sheets(i)->Name(), name)) return true;
        return false;
    };
    while (taken(n)) ++n;
    SetName("Sheet" + std::to_string(n));
}

int TvteXLSWorksheet::IndexInBook() const {
    if (!owner_) return -1;
    for (int i = 0; i < owner_->SheetCount(); ++i)
        if (owner_->Sheets(i) == this) return i;
    return -1;
}

void TvteXLSWorksheet::SetName(const std::string &name) { name_ = vte::TrimText(name.substr(0, kMaxSheetName)); }

TvteXLSRange *TvteXLSWorksheet::Ranges(int left, int top, int right, int bottom) {
    if (TvteXLSRange *found = FindRange(left, top, right, bottom)) return found;
    return AddRange(left, top, right, bottom);
}

TvteXLSRange *TvteXLSWorksheet::FindRange(int left, int top, int right, int bottom) const {
    auto same = [&](const TvteXLSRange *r) {
        return r->Left == left && r->Top == top && r->Right == right && r->Bottom == bottom;
    };
    // A range with these coordinates would be in the cell index, covering the top left cell.
    if (IsIndexed(left, top, right, bottom)) {
        TvteXLSRange *r = IndexedRange(left, top);
        return r && same(r) ? r : nullptr;
    }
    // Equal reversed rectangles do not overlap and may both be here: the first one counts.
    for (TvteXLSRange *r : looseRanges_)
        if (same(r)) return r;
    return nullptr;
}

// The ranges that a new range with these coordinates overlaps, a range
// possibly more than once.
std::vector<TvteXLSRange *> TvteXLSWorksheet::OverlappedRanges(int left, int top, int right, int bottom) const {
    std::vector<TvteXLSRange *> found;
    auto test = [&](TvteXLSRange *e) {
        if (vte::RangesOverlap(left, top, right, bottom, e->Left, e->Top, e->Right, e->Bottom)) found.push_back(e);
    };
    // Only the part of the new range inside the index needs looking up.
    const int fromCol = std::max(left, 0), toCol = std::min(right, kIndexCols - 1);
    const int fromRow = std::max(top, 0), toRow = std::min(bottom, kIndexRows - 1);
    // When that has more cells than the sheet has ranges, testing every range
    // is cheaper than looking up every cell.
    if (IsReversed(left, top, right, bottom) ||
        (fromCol <= toCol && fromRow <= toRow && CellCount(fromCol, fromRow, toCol, toRow) > ranges_.size())) {
        for (const auto &e : ranges_) test(e.get());
        return found;
    }
    for (TvteXLSRange *e : looseRanges_) test(e);
    // Rectangles that are not reversed overlap exactly when they share a cell.
    for (int row = fromRow; row <= toRow; ++row)
        for (int col = fromCol; col <= toCol; ++col)
            if (TvteXLSRange *e = IndexedRange(col, row); e && (found.empty() || found.back() != e)) found.push_back(e);
    return found;
}

TvteXLSRange *TvteXLSWorksheet::IndexedRange(int col, int row) const {
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(col);
    return r < cellIndex_.size() && c < cellIndex_[r].size() ? cellIndex_[r][c] : nullptr;
}

// Points every cell of an indexed range at `value` (the range, or none).
void TvteXLSWorksheet::MarkCells(const TvteXLSRange &range, TvteXLSRange *value) {
    const auto bottom = static_cast<std::size_t>(range.Bottom);
    const auto right = static_cast<std::size_t>(range.Right);
    if (cellIndex_.size() <= bottom) cellIndex_.resize(bottom + 1);
    for (auto row = static_cast<std::size_t>(range.Top); row <= bottom; ++row) {
        std::vector<TvteXLSRange *> &cells = cellIndex_[row];
        if (cells.size() <= right) cells.resize(right + 1);
        for (auto col = static_cast<std::size_t>(range.Left); col <= right; ++col) cells[col] = value;
    }
}

// Destroys the given ranges (repeats allowed); the others keep their order.
void TvteXLSWorksheet::RemoveRanges(const std::vector<TvteXLSRange *> &doomed) {
    const std::unordered_set<const TvteXLSRange *> gone(doomed.begin(), doomed.end());
    for (const TvteXLSRange *r : gone)
        if (IsIndexed(*r)) MarkCells(*r, nullptr);
    std::erase_if(looseRanges_, [&](const TvteXLSRange *r) { return gone.contains(r); });
    if (gone.size() == 1) {
        // Usually a range added a moment ago is replaced: look for it from the end.
        const auto it = std::find_if(ranges_.rbegin(), ranges_.rend(),
                                     [&](const std::unique_ptr<TvteXLSRange> &r) { return r.get() == doomed.front(); });
        ranges_.erase(std::next(it).base());
        return;
    }
    std::erase_if(ranges_, [&](const std::unique_ptr<TvteXLSRange> &r) { return gone.contains(r.get()); });
}

TvteXLSRange *TvteXLSWorksheet::AddRange(int left, int top, int right, int bottom) {
    const std::vector<TvteXLSRange *> doomed = OverlappedRanges(left, top, right, bottom);
    if (!doomed.empty()) RemoveRanges(doomed);
    ranges_.push_back(std::make_unique<TvteXLSRange>(this, left, top, right, bottom));
    TvteXLSRange *range = ranges_.back().get();
    if (IsIndexed(*range))
        MarkCells(*range, range);
    else
        looseRanges_.push_back(range);
    if (firstCol_ == -1 || left < firstCol_) firstCol_ = left;
    if (firstRow_ == -1 || top < firstRow_) firstRow_ = top;
    if (lastCol_ == -1 || lastCol_ < right) lastCol_ = right;
    if (lastRow_ == -1 || lastRow_ < bottom) lastRow_ = bottom;
    return range;
}

TvteXLSCol *TvteXLSWorksheet::Cols(int index) {
    if (TvteXLSCol *found = FindCol(index)) return found;
    return AddCol(index);
}

TvteXLSCol *TvteXLSWorksheet::FindCol(int index) const {
    for (const auto &col : cols_)
        if (col->Index == index) return col.get();
    return nullptr;
}

TvteXLSCol *TvteXLSWorksheet::AddCol(int index) {
    auto col = std::make_unique<TvteXLSCol>();
    col->Index = index;
    cols_.push_back(std::move(col));
    if (firstCol_ == -1 || index < firstCol_) firstCol_ = index;
    if (lastCol_ == -1 || index > lastCol_) lastCol_ = index;
    return cols_.back().get();
}

// ---------------------------------------------------------------------------

TvteXLSWorkbook::TvteXLSWorkbook() : title_("PReport") {}

TvteXLSWorkbook::~TvteXLSWorkbook() { Clear(); }

void TvteXLSWorkbook::SetTitle(const std::string &title) { title_ = vte::TrimText(title.substr(0, kMaxTitle)); }

TvteXLSWorksheet *TvteXLSWorkbook::AddSheet() {
    auto sheet = std::make_unique<TvteXLSWorksheet>(this);
    sheets_.push_back(std::move(sheet));
    return sheets_.back().get();
}

void TvteXLSWorkbook::Clear() { sheets_.clear(); }
