#pragma once
// The spectator window: a title strip in very large type and the results list
// below it, meant for a screen that faces the spectators.  It has no controls
// of its own; the main window fills it.
#include "DayTime.h"

#include <QString>
#include <QWidget>

class QLabel;
class QTableView;

class TfrmDisplay : public QWidget {
    Q_OBJECT
public:
    explicit TfrmDisplay(QWidget *parent = nullptr);

    // Title text of the window; the maker's address is part of it.
    static QString WindowCaption();

    QLabel *lblTitle = nullptr;
    QTableView *ListView = nullptr;

    // Time of day of the last race start, 0 when there is none.
    DayTime LastStartTime = 0;
    bool ShowRunningTime = true;
    bool PagingEnabled = false;
    QString DisplayCaption;
};
