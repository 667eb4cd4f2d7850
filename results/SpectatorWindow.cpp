#include "SpectatorWindow.h"

#include "Clock.h"
#include "ResultsSheet.h"
#include "DisplayColumns.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

constexpr int TitleHeight = 137;
constexpr int ListTop = 143;
constexpr int TitleCellPixels = 130;  // the strip's character cell, leading included
constexpr int ColumnMaximum = 1500;
constexpr int RedrawMs = 150;
constexpr int PagingMs = 1000;
// Refills within this time share one fitting of the columns (about 25 ms at
// 50,000 rows; bench_results' fit_ms).
constexpr int FitDelayMs = 200;

// Tahoma where it is installed, else the DejaVu Sans that Debian ships, whose
// wide, open shapes read well from afar.
QFont SpectatorFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// A font whose character cell (ascent, descent and leading) is `cell` pixels.
QFont FontWithCell(QFont font, int cell)
{
    font.setPixelSize(cell);
    const int height = QFontMetrics(font).height();
    if (height > 0 && height != cell)
        font.setPixelSize(std::max(1, cell * cell / height));
    return font;
}

}  // namespace

// ---------------------------------------------------------------------------
// ElidedLabel

QSize ElidedLabel::minimumSizeHint() const
{
    // A long text is cut, never widening the window.
    return {1, QLabel::minimumSizeHint().height()};
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

bool ElidedLabel::event(QEvent *event)
{
    // The tooltip follows the width: a text shown whole needs none.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        if (isCut())
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), int(alignment()), shownText());
}

// ---------------------------------------------------------------------------
// SpectatorWindow

QString SpectatorWindow::MakerAddress()
{
    return ::MakerAddress();
}

QString SpectatorWindow::WindowCaption()
{
    return QStringLiteral("Tikomat Orvik // ") + MakerAddress();
}

SpectatorWindow::SpectatorWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmDisplay"));
    setWindowTitle(WindowCaption());
    // It opens with a client area of 784 x 761 and its smallest outer size is
    // 800 x 800; Qt limits the client area, so the usual frame (8 pixels each
    // side, a 31-pixel caption) is taken off.  On a screen lower than that (a
    // 1366 x 768 laptop) both shrink to the screen, so that the window can
    // still be seen whole.
    QSize opening(784, 761);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        opening = opening.boundedTo(screen->availableGeometry().size() - QSize(16, 39));
    setMinimumSize(opening);
    resize(opening);

    lblTitle = new ElidedLabel(QStringLiteral("Připraven."), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFixedHeight(TitleHeight);
    lblTitle->setAutoFillBackground(true);
    QPalette titlePalette = lblTitle->palette();
    titlePalette.setColor(QPalette::Window, Qt::white);
    titlePalette.setColor(QPalette::WindowText, Qt::black);
    lblTitle->setPalette(titlePalette);
    lblTitle->setFont(FontWithCell(SpectatorFont(), TitleCellPixels));

    ListView = new QTableView(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setAccessibleName(QStringLiteral("Výsledky pro diváky"));
    ListView->setFrameShape(QFrame::NoFrame);
    ListView->setShowGrid(true);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setWordWrap(false);
    ListView->verticalHeader()->hide();
    ListView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QFont listFont = SpectatorFont();
    listFont.setPixelSize(SpectatorListPixels);
    ListView->setFont(listFont);
    ListView->horizontalHeader()->setFont(listFont);
    ListView->verticalHeader()->setDefaultSectionSize(QFontMetrics(listFont).height() + 6);
    // The notes are cut at their right end; a long list pages vertically.
    ListView->setTextElideMode(Qt::ElideRight);
    ListView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListView->setModel(&m_board.list());
    ListView->viewport()->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(ListTop - TitleHeight);
    layout->addWidget(lblTitle);
    layout->addWidget(ListView, 1);

    TimerRedrawCurrentTime = new QTimer(this);
    TimerRedrawCurrentTime->setInterval(RedrawMs);
    connect(TimerRedrawCurrentTime, &QTimer::timeout, this, &SpectatorWindow::redrawTitleStrip);
    m_fitTimer = new QTimer(this);
    m_fitTimer->setSingleShot(true);
    m_fitTimer->setInterval(FitDelayMs);
    connect(m_fitTimer, &QTimer::timeout, this, &SpectatorWindow::FitColumns);
    tmrPaging = new QTimer(this);
    tmrPaging->setInterval(PagingMs);
    connect(tmrPaging, &QTimer::timeout, this, &SpectatorWindow::pageList);

    startHidden();
}

void SpectatorWindow::startHidden()
{
    // Qt paints every widget through a back buffer already.  Both timers run
    // for the whole program, whether the window is shown or not.
    TimerRedrawCurrentTime->start();
    tmrPaging->start();
    hide();
}

void SpectatorWindow::SetUpColumns()
{
    QHeaderView *header = ListView->horizontalHeader();
    header->setMaximumSectionSize(ColumnMaximum);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setStretchLastSection(true);  // "Poznámka"
    FitColumns();
}

void SpectatorWindow::FitColumns()
{
    const SpectatorListModel &list = m_board.list();
    QHeaderView *header = ListView->horizontalHeader();
    const int sized = std::min<int>(header->count(), SpectatorListModel::Note);
    std::vector<QStringList> texts(static_cast<size_t>(sized));
    QStringList captions;
    for (int c = 0; c < sized; ++c) {
        captions << SpectatorListModel::columnTitle(SpectatorListModel::Column(c));
        for (int row = 0; row < list.rowCount(); ++row)
            texts[size_t(c)] << list.text(row, SpectatorListModel::Column(c));
    }
    // What a cell adds to its text: the style's margin either side, the grid
    // line, and a pixel either side for the fractions of the advances, which
    // the whole-pixel measure rounds off and the painter adds up.
    const int margin = ListView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListView) + 1;
    const int padding = 2 * margin + 1 + 2;
    const SpectatorColumnFit fit = FitSpectatorColumns(SpectatorFont(), texts, captions, padding,
                                                       ListView->viewport()->width());
    if (fit.font != ListView->font()) {
        ListView->setFont(fit.font);
        header->setFont(fit.font);
        ListView->verticalHeader()->setDefaultSectionSize(QFontMetrics(fit.font).height() + 6);
    }
    // A heading cut short keeps its beginning ("Kol"), not its middle.
    header->setDefaultAlignment(fit.wholeCaptions ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    // The header's own minimum grows with the type and would widen "Kolo".
    header->setMinimumSectionSize(std::min(padding, header->minimumSectionSize()));
    for (int c = 0; c < sized; ++c)
        header->resizeSection(c, std::min(fit.widths[size_t(c)], ColumnMaximum));
}

void SpectatorWindow::ScheduleFit()
{
    // Not restarted: refills in a steady stream still get their fit.
    if (isVisible() && !m_fitTimer->isActive())
        m_fitTimer->start();
}

void SpectatorWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ScheduleFit();  // the refills while hidden did not fit the columns
}

bool SpectatorWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The list's own width, whenever it changes (a maximised window, a
    // scroll bar that comes or goes).
    if (watched == ListView->viewport() && event->type() == QEvent::Resize)
        ScheduleFit();
    return QWidget::eventFilter(watched, event);
}

void SpectatorWindow::Refill(DayTime lastStartTime, std::shared_ptr<const ResultsTable> results)
{
    ListView->setUpdatesEnabled(false);
    const bool toTop = m_board.Refill(lastStartTime, std::move(results));
    ScheduleFit();
    if (toTop)
        ShowFirstRow();
    ListView->setUpdatesEnabled(true);
}

void SpectatorWindow::ChooseCategory(const QString &category)
{
    ListView->setUpdatesEnabled(false);
    if (m_board.ChooseCategory(category))
        ShowFirstRow();
    ListView->setUpdatesEnabled(true);
}

void SpectatorWindow::ShowFirstRow()
{
    if (!m_board.PagingEnabled && m_board.list().rowCount() > 0)
        ListView->scrollToTop();
}

void SpectatorWindow::redrawTitleStrip()
{
    lblTitle->setText(m_board.TitleText(NowDayTime()));
}

void SpectatorWindow::pageList()
{
    const int row = m_board.PagingTick();
    if (row >= 0)
        ListView->scrollTo(m_board.list().index(row, 0), QAbstractItemView::EnsureVisible);
}

QString SpectatorWindow::TitleStripText() const
{
    return lblTitle->text();
}
