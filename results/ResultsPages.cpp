#include "ResultsPages.h"

#include "ResultsSheet.h"
#include "TikomatError.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace {

const QString FontFamily = QStringLiteral("DejaVu Sans");

// Debian's fonts-dejavu-core puts the font here; fontconfig normally knows it
// already, but a desk with a trimmed font configuration still prints every
// Czech letter in the one font.
void EnsurePrintFont()
{
    static const bool done = [] {
        if (!QFontDatabase::families().contains(FontFamily)) {
            for (const char *file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"})
                QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/")
                                                  + QLatin1String(file));
        }
        return true;
    }();
    Q_UNUSED(done);
}

QFont PrintFont(double points, bool bold)
{
    QFont font(FontFamily);
    font.setPointSizeF(points);
    font.setBold(bold);
    // Another font would be picked only for a letter DejaVu lacks.
    font.setStyleStrategy(QFont::PreferOutline);
    // Any letter spacing makes the shaper leave ligatures out ("fi" would
    // otherwise be one glyph, which a PDF viewer's search and pdftotext read
    // as U+FB01); a twentieth of a pixel of the page (a hundredth or less
    // is rounded away) moves nothing one can see.
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
    return font;
}

// Sizes in points and millimetres: tuned on A4 portrait so that a racer's
// name gets about 50 mm and two split times fit on one line of their cell.
constexpr double BodyPoints = 8.5;
constexpr double SplitPoints = 7.5;
constexpr double TitlePoints = 8;
constexpr double CaptionPoints = 13;
constexpr double SmallPoints = 8;
constexpr double CellPaddingMm = 1.2;  // left and right of every cell's text
constexpr double RowPaddingMm = 0.7;   // above and below a row's text
constexpr double SplitGapMm = 2.5;     // between two split times on one line
constexpr double MinNameMm = 40;       // the racer's cell never gets narrower
constexpr int MaxSplitsPerLine = 6;
const QMarginsF PageMarginsMm(12, 12, 12, 10);

enum Column { Rank, Racer, Time, Laps, Penalty, Start, Splits, ColumnCount };

}  // namespace

ResultsPages::ResultsPages(std::vector<ResultsSection> sections, PrintMoment moment)
    : m_sections(std::move(sections)), m_moment(std::move(moment))
{
    EnsurePrintFont();
    m_body = PrintFont(BodyPoints, false);
    m_bold = PrintFont(TitlePoints, true);
    m_caption = PrintFont(CaptionPoints, true);
    m_small = PrintFont(SmallPoints, false);
    m_split = PrintFont(SplitPoints, false);
}

void ResultsPages::SetUpPage(QPagedPaintDevice &device)
{
    device.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, PageMarginsMm, QPageLayout::Millimeter));
}

QString ResultsPages::RaceDateText(const QDate &date)
{
    return QStringLiteral("Datum závodu: ") + date.toString(QStringLiteral("d. M. yyyy"));
}

QString ResultsPages::PrintedText(const QDateTime &moment)
{
    return QStringLiteral("Vytištěno: ") + moment.toString(QStringLiteral("d. M. yyyy H:mm"));
}

QString ResultsPages::PageNumberText(int page, int pages)
{
    return QStringLiteral("strana %1 z %2").arg(page).arg(pages);
}

QString ResultsPages::NoResultsText()
{
    return QStringLiteral("Žádné výsledky");
}

QStringList ResultsPages::ColumnTitles()
{
    return QStringList{QStringLiteral("Pořadí")} + ResultsSheetColumnTitles();
}

// ---------------------------------------------------------------------------
// Layout

void ResultsPages::measure(QPaintDevice &device)
{
    m_mm = device.logicalDpiY() / 25.4;
    m_width = device.width();
    m_height = device.height();
    const QFontMetricsF body(m_body, &device);
    const QFontMetricsF split(m_split, &device);
    const QFontMetricsF bold(m_bold, &device);
    const QFontMetricsF caption(m_caption, &device);
    const QFontMetricsF small(m_small, &device);
    m_lineHeight = body.lineSpacing();
    m_splitLineHeight = split.lineSpacing();
    // The first split time stands on the line of the row's other texts.
    m_splitOffset = body.ascent() - split.ascent();
    m_rowPadding = RowPaddingMm * m_mm;
    const double pad = CellPaddingMm * m_mm;
    const double gap = SplitGapMm * m_mm;
    m_splitWidth = split.horizontalAdvance(QStringLiteral("00:00:00,000"));
    const double time = body.horizontalAdvance(QStringLiteral("00:00:00,000"));

    // A column is as wide as its widest title word or its widest value.
    const QStringList titles = ColumnTitles();
    auto widest = [&](int column, double value) {
        double width = value;
        for (const QString &word : titles[column].split(u' '))
            width = std::max(width, bold.horizontalAdvance(word));
        return width + 2 * pad;
    };
    std::vector<double> widths(ColumnCount, 0);
    widths[Rank] = widest(Rank, body.horizontalAdvance(QStringLiteral("00000")));
    widths[Time] = widest(Time, time);
    widths[Laps] = widest(Laps, body.horizontalAdvance(QStringLiteral("00000")));
    widths[Penalty] = widest(Penalty, body.horizontalAdvance(QStringLiteral("-00000")));
    widths[Start] = widest(Start, time);
    double fixed = 0;
    for (int c : {Rank, Time, Laps, Penalty, Start})
        fixed += widths[c];
    const double forSplits = m_width - fixed - MinNameMm * m_mm - 2 * pad;
    m_splitsPerLine = std::clamp(int(std::floor((forSplits + gap) / (m_splitWidth + gap))), 1, MaxSplitsPerLine);
    widths[Splits] = widest(Splits, m_splitsPerLine * m_splitWidth + (m_splitsPerLine - 1) * gap);
    widths[Racer] = std::max(m_width - fixed - widths[Splits], 0.0);

    m_columns.assign(1, 0.0);
    for (double width : widths)
        m_columns.push_back(m_columns.back() + width);

    m_headerHeight = std::max(caption.lineSpacing(), 2 * small.lineSpacing()) + 3 * m_mm;
    int titleLines = 1;
    for (int c = 0; c < ColumnCount; ++c) {
        const QRectF box = bold.boundingRect(QRectF(0, 0, widths[size_t(c)] - 2 * pad, 1e6), Qt::TextWordWrap,
                                             titles[c]);
        titleLines = std::max(titleLines, int(std::lround(box.height() / bold.lineSpacing())));
    }
    m_titlesHeight = titleLines * bold.lineSpacing() + 2 * m_rowPadding;
    m_footerHeight = small.lineSpacing() + 2 * m_mm;
}

int ResultsPages::splitLines(const ResultRow &row) const
{
    return int((row.splits.size() + size_t(m_splitsPerLine) - 1) / size_t(m_splitsPerLine));
}

double ResultsPages::pieceHeight(int lines) const
{
    return std::max(m_lineHeight, m_splitOffset + lines * m_splitLineHeight) + 2 * m_rowPadding;
}

void ResultsPages::layOut(QPaintDevice &device)
{
    measure(device);
    m_pages.clear();
    const double room = m_height - m_headerHeight - m_titlesHeight - m_footerHeight;
    for (int s = 0; s < int(m_sections.size()); ++s) {
        const ResultsSection &section = m_sections[size_t(s)];
        m_pages.push_back({s, {}});
        double left = room;
        auto newPage = [&] {
            m_pages.push_back({s, {}});
            left = room;
        };
        for (int k = 0; k < section.size(); ++k) {
            const int lines = splitLines(section.row(k));
            const double height = pieceHeight(lines);
            if (height > left && height <= room && !m_pages.back().pieces.empty())
                newPage();
            if (height <= left) {
                m_pages.back().pieces.push_back({k, 0, lines});
                left -= height;
                continue;
            }
            // Splits taller than a page go on over as many pages as they need.
            for (int first = 0; first < lines;) {
                const int fit = int(std::floor((left - 2 * m_rowPadding - m_splitOffset) / m_splitLineHeight + 1e-9));
                if (fit < 1 || left < pieceHeight(1)) {
                    newPage();
                    continue;
                }
                const int take = std::min(fit, lines - first);
                m_pages.back().pieces.push_back({k, first, take});
                left -= pieceHeight(take);
                first += take;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Painting

bool ResultsPages::paint(QPagedPaintDevice &device)
{
    layOut(device);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    for (int i = 0; i < int(m_pages.size()); ++i) {
        if (i > 0 && !device.newPage())
            return false;
        paintPage(painter, i);
    }
    return painter.end();
}

double ResultsPages::paintFrame(QPainter &painter, const Page &page, int index) const
{
    QPaintDevice *device = painter.device();
    const QFontMetricsF small(m_small, device);
    const QString date = RaceDateText(m_moment.raceDate);
    const QString printed = PrintedText(m_moment.printed);
    const double right = std::max(small.horizontalAdvance(date), small.horizontalAdvance(printed));
    painter.setFont(m_small);
    painter.drawText(QRectF(m_width - right, 0, right, small.lineSpacing()), Qt::AlignRight | Qt::AlignTop, date);
    painter.drawText(QRectF(m_width - right, small.lineSpacing(), right, small.lineSpacing()),
                     Qt::AlignRight | Qt::AlignTop, printed);

    const QFontMetricsF caption(m_caption, device);
    const double captionWidth = m_width - right - 5 * m_mm;
    painter.setFont(m_caption);
    painter.drawText(QRectF(0, 0, captionWidth, caption.lineSpacing()), Qt::AlignLeft | Qt::AlignTop,
                     caption.elidedText(m_sections[size_t(page.section)].caption(), Qt::ElideRight, captionWidth));

    painter.setFont(m_small);
    painter.drawText(QRectF(0, m_height - small.lineSpacing(), m_width, small.lineSpacing()),
                     Qt::AlignHCenter | Qt::AlignBottom, PageNumberText(index + 1, int(m_pages.size())));
    return m_headerHeight;
}

void ResultsPages::paintPage(QPainter &painter, int index) const
{
    const Page &page = m_pages[size_t(index)];
    double top = paintFrame(painter, page, index);
    if (page.pieces.empty()) {
        painter.setFont(m_body);
        painter.drawText(QRectF(0, top, m_width, m_lineHeight * 2), Qt::AlignLeft | Qt::AlignTop, NoResultsText());
        return;
    }

    const double pad = CellPaddingMm * m_mm;
    const QStringList titles = ColumnTitles();
    painter.setFont(m_bold);
    for (int c = 0; c < ColumnCount; ++c) {
        const QRectF cell(m_columns[size_t(c)] + pad, top + m_rowPadding,
                          m_columns[size_t(c) + 1] - m_columns[size_t(c)] - 2 * pad, m_titlesHeight - 2 * m_rowPadding);
        const bool number = c == Rank || c == Laps || c == Penalty;
        painter.drawText(cell, Qt::TextWordWrap | Qt::AlignBottom | (number ? Qt::AlignRight : Qt::AlignLeft),
                         titles[c]);
    }
    top += m_titlesHeight;
    QPen rule(Qt::black, 0.25 * m_mm);
    painter.setPen(rule);
    painter.drawLine(QPointF(0, top), QPointF(m_width, top));

    const ResultsSection &section = m_sections[size_t(page.section)];
    for (const Piece &piece : page.pieces) {
        paintPiece(painter, section, piece, top, piece.row % 2 == 1);
        top += pieceHeight(piece.lines);
    }
    painter.setPen(rule);
    painter.drawLine(QPointF(0, top), QPointF(m_width, top));
}

void ResultsPages::paintPiece(QPainter &painter, const ResultsSection &section, const Piece &piece, double top,
                              bool shaded) const
{
    const double height = pieceHeight(piece.lines);
    if (shaded)
        painter.fillRect(QRectF(0, top, m_width, height), QColor(0xEC, 0xEC, 0xEC));
    painter.setPen(Qt::black);

    const double pad = CellPaddingMm * m_mm;
    const ResultRow &row = section.row(piece.row);
    auto cell = [&](int c) {
        return QRectF(m_columns[size_t(c)] + pad, top + m_rowPadding,
                      m_columns[size_t(c) + 1] - m_columns[size_t(c)] - 2 * pad, height - 2 * m_rowPadding);
    };
    painter.setFont(m_body);
    const QFontMetricsF body(m_body, painter.device());
    painter.drawText(cell(Rank), Qt::AlignRight | Qt::AlignTop,
                     section.row(piece.row).rankText(section.rank(piece.row)));
    const QRectF racer = cell(Racer);
    painter.drawText(racer, Qt::AlignLeft | Qt::AlignTop, body.elidedText(row.caption, Qt::ElideRight, racer.width()));
    if (piece.firstLine == 0) {
        painter.drawText(cell(Time), Qt::AlignLeft | Qt::AlignTop, row.penalizedText().trimmed());
        painter.drawText(cell(Laps), Qt::AlignRight | Qt::AlignTop, row.lapText());
        painter.drawText(cell(Penalty), Qt::AlignRight | Qt::AlignTop, row.penaltyText());
        painter.drawText(cell(Start), Qt::AlignLeft | Qt::AlignTop, row.startText().trimmed());
    }

    painter.setFont(m_split);
    const QRectF splits = cell(Splits);
    const double gap = SplitGapMm * m_mm;
    const size_t first = size_t(piece.firstLine) * size_t(m_splitsPerLine);
    const size_t end = std::min(row.splits.size(), first + size_t(piece.lines) * size_t(m_splitsPerLine));
    for (size_t i = first; i < end; ++i) {
        const size_t line = (i - first) / size_t(m_splitsPerLine);
        const size_t place = (i - first) % size_t(m_splitsPerLine);
        painter.drawText(QRectF(splits.left() + double(place) * (m_splitWidth + gap),
                                splits.top() + m_splitOffset + double(line) * m_splitLineHeight, m_splitWidth + gap,
                                m_splitLineHeight),
                         Qt::AlignLeft | Qt::AlignTop, DayTimeToText(row.splits[i]));
    }
}

// ---------------------------------------------------------------------------

QByteArray ResultsPdf(const std::vector<ResultsSection> &sections, const PrintMoment &moment, const QString &title)
{
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Tikomat"));
        writer.setTitle(title);
        writer.setResolution(600);
        ResultsPages::SetUpPage(writer);
        ResultsPages pages(sections, moment);
        if (!pages.paint(writer))
            throw TikomatError(QStringLiteral("PDF nelze vytvořit"));
    }
    return bytes;
}
