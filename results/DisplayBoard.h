#pragma once
// What the spectator window shows, without any widget: the text of its title
// strip, its copy of the results list with ranks, and where paging points.
//
// The spectator window (SpectatorWindow) owns one board and calls it from its
// two timers and from every refresh of the results; the controls of the group
// " Okno displeje pro diváky " set its options.  Tests drive it with a time of
// day of their own instead of the clock.
//
// The board never reads the clock, the widgets or the record store: "now"
// comes in as an argument and the rows come from the results document.
#include "DayTime.h"
#include "ResultsLists.h"

#include <QAbstractTableModel>
#include <QString>
#include <memory>
#include <vector>

// Which end of the results list the spectators see (cbDispMode).
enum class SpectatorMode : int {
    Off = 0,      // "Zobrazení výsledků vypnuto": the list stays empty
    Winners = 1,  // from the winner down, ranks 1., 2., ...
    Latest = 2,   // from the last place up, ranks n., n-1., ...
};

// The spectator list: the rows of the results document of the last refill
// (the whole ranking or one category's), in the order the mode asks for,
// whose fifth column holds the rank instead of the race start time: the
// overall rank, or with a category the rank within it.  Read-only.
class SpectatorListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Caption, PenalizedTime, Lap, Penalty, Rank, Note, ColumnCount };

    explicit SpectatorListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text of one cell as the list shows it; empty outside the list.
    QString text(int row, Column column) const;
    static QString columnTitle(Column column);

    // Shows the rows of table in the order of mode (one model reset): all of
    // them, or for a category name only that category's (none while the
    // ranking has none of it); mode Off leaves the list empty.
    void refill(std::shared_ptr<const ResultsTable> table, SpectatorMode mode, const QString &category);

private:
    // The section shown and the document row of list row `row`.
    const ResultRow &rowAt(int row) const;

    std::shared_ptr<const ResultsTable> m_table;
    int m_category = -1;  // -1 the whole ranking
    int m_count = 0;      // rows shown
    SpectatorMode m_mode = SpectatorMode::Winners;
};

class DisplayBoard {
public:
    // The options, as the controls set them.
    DayTime LastStartTime = 0;  // time of day of the last race start, 0 for none
    bool ShowRunningTime = true;
    bool PagingEnabled = false;
    QString DisplayCaption;
    SpectatorMode Mode = SpectatorMode::Winners;
    QString Category;  // the category shown ("Kategorie:"), empty for all
    // Counts the paging ticks while paging is on; nothing ever resets it.
    int PagingCounter = 0;

    SpectatorListModel &list() { return m_list; }
    const SpectatorListModel &list() const { return m_list; }

    // The title strip at the time of day `now`: the running time since the
    // last race start, else the caption, else "Tikomat".  The running time is
    // the plain difference of two times of day: after midnight, for a start
    // before midnight, it is negative and shows as DayTimeToText writes a
    // negative time.
    // Followed, once a race has a finish rule, by how far it is ("Zbývají 3
    // kola", "Poslední kolo", "Cíl"): the chosen category's, or with every
    // category shown each category's that has one ("MX1: Cíl"), the one
    // text alone when all categories say the same.
    QString TitleText(DayTime now) const;
    // That part alone; empty while no race shown has a rule that says anything.
    QString FinishText() const;

    // Takes the last race start and refills the list from the results.
    // Returns true when the list is to be scrolled to its first row.
    bool Refill(DayTime lastStartTime, std::shared_ptr<const ResultsTable> results);
    // Shows another category of the results of the last refill; the same
    // answer as Refill.
    bool ChooseCategory(const QString &category);

    // One tick of the paging timer: the row to bring into view, or -1 for
    // none (paging off, or an empty list).
    int PagingTick();

private:
    SpectatorListModel m_list;
    std::shared_ptr<const ResultsTable> m_results = std::make_shared<const ResultsTable>();
};
