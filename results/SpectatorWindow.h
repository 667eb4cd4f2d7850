#pragma once
// The spectator window: a title strip in very large type and the results list
// below it, meant for a screen that faces the spectators.  It has no controls
// of its own: the main window's refresh refills it, the controls of the group
// " Okno displeje pro diváky " (DisplayControls) set its options, and its two
// timers redraw the title strip and page through a long list.
//
// What it shows is decided by its DisplayBoard; the window only binds the
// board to its widgets and runs the timers.  It never changes the results.
#include "DayTime.h"
#include "DisplayBoard.h"

#include <QLabel>
#include <QString>
#include <QWidget>

class QTableView;
class QTimer;

// A label that cuts a text too long for it with an ellipsis at its end
// instead of growing; text() keeps the whole text, and the pointer resting
// on a cut text shows it whole as a tooltip.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override;
    // The text as it is painted at the label's present width.
    QString shownText() const;
    bool isCut() const { return shownText() != text(); }

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

class SpectatorWindow : public QWidget {
    Q_OBJECT
public:
    explicit SpectatorWindow(QWidget *parent = nullptr);

    // Title text of the window; the maker's address is part of it.
    static QString WindowCaption();
    // The maker's web address, also written into the exported results.
    static QString MakerAddress();

    DisplayBoard &Board() { return m_board; }
    const DisplayBoard &Board() const { return m_board; }

    // The last step of a refresh: takes the last race start and refills the
    // list from the results document.
    void Refill(DayTime lastStartTime, std::shared_ptr<const ResultsTable> results);
    // Shows another category ("" for all) of the results of the last refill.
    void ChooseCategory(const QString &category);
    // Scrolls the list to its first row unless paging is on.
    void ShowFirstRow();
    // The columns of the results list with "Pořadí" fifth (at most 1500
    // pixels each), sized by FitColumns.
    void SetUpColumns();
    // Every column but "Poznámka" as wide as its texts, "Poznámka" the rest;
    // the list's type smaller where the texts need it (DisplayColumns).
    void FitColumns();
    // FitColumns a moment later (once for a burst of refills), and only while
    // the window is shown: a refill after every refresh must stay cheap, and
    // measuring the texts of 50,000 rows is not.
    void ScheduleFit();

    // The timers' handlers: the title strip with the running time every
    // 150 ms, a step of paging every 1000 ms.
    void redrawTitleStrip();
    void pageList();

    // For the tests: what the widgets show.
    QString TitleStripText() const;
    QTableView *List() const { return ListView; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void startHidden();

    DisplayBoard m_board;
    ElidedLabel *lblTitle = nullptr;
    QTableView *ListView = nullptr;
    QTimer *TimerRedrawCurrentTime = nullptr;
    QTimer *tmrPaging = nullptr;
    QTimer *m_fitTimer = nullptr;
};
