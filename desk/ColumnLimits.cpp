#include "ColumnLimits.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <climits>

ColumnLimits::ColumnLimits(QTableView *view, std::vector<Limits> columns, int fillColumn)
    : QObject(view), m_view(view), m_columns(std::move(columns)), m_fill(fillColumn)
{
    QHeaderView *header = view->horizontalHeader();
    header->setMinimumSectionSize(0);  // the columns' own limits hold instead
    header->setStretchLastSection(false);
    m_sizing = true;
    for (int c = 0; c < int(m_columns.size()); ++c) {
        header->setSectionResizeMode(c, QHeaderView::Interactive);
        header->resizeSection(c, m_columns[size_t(c)].initial);
    }
    m_sizing = false;
    connect(header, &QHeaderView::sectionResized, this,
            [this](int column, int, int width) { SectionResized(column, width); });
    view->viewport()->installEventFilter(this);
    Fill();
}

int ColumnLimits::Bounded(int column, int width) const
{
    if (column < 0 || column >= int(m_columns.size()))
        return width;
    const Limits &l = m_columns[size_t(column)];
    return std::clamp(width, l.minimum, l.maximum > 0 ? std::max(l.maximum, l.minimum) : INT_MAX);
}

void ColumnLimits::SectionResized(int column, int width)
{
    if (m_sizing)
        return;
    const int bounded = Bounded(column, width);
    if (bounded != width) {
        m_sizing = true;
        m_view->horizontalHeader()->resizeSection(column, bounded);
        m_sizing = false;
    }
    if (column != m_fill)
        Fill();
}

void ColumnLimits::Fill()
{
    if (m_fill < 0 || m_fill >= int(m_columns.size()))
        return;
    QHeaderView *header = m_view->horizontalHeader();
    int others = 0;
    for (int c = 0; c < header->count(); ++c) {
        if (c != m_fill && !header->isSectionHidden(c))
            others += header->sectionSize(c);
    }
    m_sizing = true;
    header->resizeSection(m_fill, Bounded(m_fill, m_view->viewport()->width() - others));
    m_sizing = false;
}

bool ColumnLimits::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == m_view->viewport())
        Fill();
    return QObject::eventFilter(watched, event);
}
