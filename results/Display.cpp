#include "Display.h"

#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QTableView>
#include <QVBoxLayout>

namespace {
constexpr int TitleHeight = 137;
constexpr int ListTop = 143;
}  // namespace

QString TfrmDisplay::WindowCaption()
{
    return QStringLiteral("Tikomat Orvik // www.norvanta.cz");
}

TfrmDisplay::TfrmDisplay(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmDisplay"));
    setWindowTitle(WindowCaption());
    resize(784, 761);
    // Its smallest outer size is 800 x 800; Qt limits the client area, so the
    // usual frame (8 pixels each side, a 31-pixel caption) is taken off.
    setMinimumSize(784, 761);

    lblTitle = new QLabel(QStringLiteral("Připraven."), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFixedHeight(TitleHeight);
    lblTitle->setAutoFillBackground(true);
    QPalette titlePalette = lblTitle->palette();
    titlePalette.setColor(QPalette::Window, Qt::white);
    titlePalette.setColor(QPalette::WindowText, Qt::black);
    lblTitle->setPalette(titlePalette);
    QFont titleFont(QStringLiteral("Tahoma"));
    titleFont.setPixelSize(110);  // a 130-pixel character cell
    lblTitle->setFont(titleFont);
    lblTitle->setMinimumWidth(1);  // a long text is cut, not widening the window

    ListView = new QTableView(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setAccessibleName(QStringLiteral("Výsledky pro diváky"));
    ListView->setFrameShape(QFrame::NoFrame);
    ListView->setShowGrid(true);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->verticalHeader()->hide();
    QFont listFont(QStringLiteral("Tahoma"));
    listFont.setPixelSize(53);
    ListView->setFont(listFont);
    ListView->verticalHeader()->setDefaultSectionSize(QFontMetrics(listFont).height() + 6);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(ListTop - TitleHeight);
    layout->addWidget(lblTitle);
    layout->addWidget(ListView, 1);

    hide();
}
