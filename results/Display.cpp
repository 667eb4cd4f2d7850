#include "Display.h"

#include "Clock.h"
#include "ResultsSheet.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int TitleHeight = 137;
constexpr int ListTop = 143;
constexpr int TitleCellPixels = 130;  // the strip's character cell, leading included
constexpr int ListCharacterPixels = 53;
constexpr int ColumnMaximum = 1500;
constexpr int RedrawMs = 150;
constexpr int PagingMs = 1000;

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

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, int(alignment()), shown);
}

// ---------------------------------------------------------------------------
// TfrmDisplay

QString TfrmDisplay::MakerAddress()
{
    return ::MakerAddress();
}

QString TfrmDisplay::WindowCaption()
{
    return QStringLiteral("Tikomat Orvik // ") + MakerAddress();
}

TfrmDisplay::TfrmDisplay(QWidget *parent) : QWidget(parent, Qt::Window)
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
    listFont.setPixelSize(ListCharacterPixels);
    ListView->setFont(listFont);
    ListView->horizontalHeader()->setFont(listFont);
    ListView->verticalHeader()->setDefaultSectionSize(QFontMetrics(listFont).height() + 6);
    ListView->setModel(&m_board.list());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(ListTop - TitleHeight);
    layout->addWidget(lblTitle);
    layout->addWidget(ListView, 1);

    TimerRedrawCurrentTime = new QTimer(this);
    TimerRedrawCurrentTime->setInterval(RedrawMs);
    connect(TimerRedrawCurrentTime, &QTimer::timeout, this, &TfrmDisplay::TimerRedrawCurrentTimeTimer);
    tmrPaging = new QTimer(this);
    tmrPaging->setInterval(PagingMs);
    connect(tmrPaging, &QTimer::timeout, this, &TfrmDisplay::tmrPagingTimer);

    FormCreate();
}

void TfrmDisplay::FormCreate()
{
    // Qt paints every widget through a back buffer already.  Both timers run
    // for the whole program, whether the window is shown or not.
    TimerRedrawCurrentTime->start();
    tmrPaging->start();
    hide();
}

void TfrmDisplay::SetUpColumns()
{
    QHeaderView *header = ListView->horizontalHeader();
    header->setMaximumSectionSize(ColumnMaximum);
    for (int c = 0; c < header->count(); ++c) {
        if (c == 0) {
            header->setSectionResizeMode(c, QHeaderView::Stretch);
        } else {
            header->setSectionResizeMode(c, QHeaderView::Interactive);
            header->resizeSection(c, header->sectionSizeHint(c));
        }
    }
}

void TfrmDisplay::Refill(DayTime lastStartTime, std::shared_ptr<const ResultsTable> results)
{
    ListView->setUpdatesEnabled(false);
    const bool toTop = m_board.Refill(lastStartTime, std::move(results));
    if (toTop)
        ShowFirstRow();
    ListView->setUpdatesEnabled(true);
}

void TfrmDisplay::ChooseCategory(const QString &category)
{
    ListView->setUpdatesEnabled(false);
    if (m_board.ChooseCategory(category))
        ShowFirstRow();
    ListView->setUpdatesEnabled(true);
}

void TfrmDisplay::ShowFirstRow()
{
    if (!m_board.PagingEnabled && m_board.list().rowCount() > 0)
        ListView->scrollToTop();
}

void TfrmDisplay::TimerRedrawCurrentTimeTimer()
{
    lblTitle->setText(m_board.TitleText(NowDayTime()));
}

void TfrmDisplay::tmrPagingTimer()
{
    const int row = m_board.PagingTick();
    if (row >= 0)
        ListView->scrollTo(m_board.list().index(row, 0), QAbstractItemView::EnsureVisible);
}

QString TfrmDisplay::TitleStripText() const
{
    return lblTitle->text();
}
