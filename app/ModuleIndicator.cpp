#include "ModuleIndicator.h"

#include <QEvent>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int IconSize = 16;

QColor ColourOf(ModuleState::State state)
{
    switch (state) {
    case ModuleState::State::Connected: return QColor(0x00, 0x80, 0x00);
    case ModuleState::State::Lost: return QColor(0xC0, 0x00, 0x00);
    case ModuleState::State::Disconnected: break;
    }
    return QColor(0x60, 0x60, 0x60);
}

// A tick in a disc, a dash in a ring, an exclamation mark in a triangle.
QPixmap IconOf(ModuleState::State state)
{
    QImage image(IconSize, IconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = ColourOf(state);
    const QPen white(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (state) {
    case ModuleState::State::Connected: {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(0.5, 0.5, 15.0, 15.0));
        p.setPen(white);
        QPainterPath tick;
        tick.moveTo(4.0, 8.5);
        tick.lineTo(7.0, 11.5);
        tick.lineTo(12.0, 4.5);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        break;
    }
    case ModuleState::State::Lost: {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(QPolygonF({{8.0, 0.5}, {15.5, 15.0}, {0.5, 15.0}}));
        p.setPen(white);
        p.drawLine(QPointF(8.0, 5.5), QPointF(8.0, 10.0));
        p.drawPoint(QPointF(8.0, 12.8));
        break;
    }
    case ModuleState::State::Disconnected:
        p.setPen(QPen(colour, 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(1.5, 1.5, 13.0, 13.0));
        p.drawLine(QPointF(5.0, 8.0), QPointF(11.0, 8.0));
        break;
    }
    return QPixmap::fromImage(image);
}

}  // namespace

ModuleIndicator::ModuleIndicator(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("pnlModulStav"));
    m_icon = new QLabel;
    m_icon->setObjectName(QStringLiteral("imgModulStav"));
    m_icon->setAccessibleName(QStringLiteral("Stav modulu"));
    m_icon->setFixedSize(IconSize, IconSize);
    m_text = new QLabel;
    m_text->setObjectName(QStringLiteral("lblModulStav"));
    m_text->setWordWrap(true);  // the longest state takes two lines of the narrow column
    QFont bold;                 // bold only: the size follows the page's
    bold.setBold(true);
    m_text->setFont(bold);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lastImpulse = new QLabel;
    m_lastImpulse->setObjectName(QStringLiteral("lblPosledniImpuls"));
    m_lastImpulse->setWordWrap(true);  // the time goes below rather than out of sight

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->setHorizontalSpacing(5);
    layout->setVerticalSpacing(1);
    layout->addWidget(m_icon, 0, 0, Qt::AlignTop);
    layout->addWidget(m_text, 0, 1);
    layout->addWidget(m_lastImpulse, 1, 0, 1, 2);  // under the icon too: the time needs the width
    layout->setColumnStretch(1, 1);
    Show(ModuleState::State::Disconnected, {});
    FitToFont();
}

void ModuleIndicator::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitToFont();
}

void ModuleIndicator::FitToFont()
{
    // Room for the longest state and for the time, so that the controls
    // below never jump when the state changes.
    m_text->setMinimumHeight(2 * m_text->fontMetrics().lineSpacing());
    m_lastImpulse->setMinimumHeight(m_lastImpulse->fontMetrics().lineSpacing());
}

void ModuleIndicator::Bind(ModuleState *state)
{
    connect(state, &ModuleState::changed, this, [this, state] { Show(state->state(), state->lastImpulseText()); });
    Show(state->state(), state->lastImpulseText());
}

void ModuleIndicator::Show(ModuleState::State state, const QString &lastImpulse)
{
    m_icon->setPixmap(IconOf(state));
    m_text->setText(ModuleState::Text(state));
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::WindowText, ColourOf(state));
    m_text->setPalette(palette);
    m_lastImpulse->setText(lastImpulse);
}
