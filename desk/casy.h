#pragma once
// The manual time entry dialog: a small modeless window that edits one time
// record (a new one, or one opened from the record list).  This file holds the
// window and its controls; what OK stores is wired by the main window.
#include "tfile.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TfrmTime : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTime(QWidget *parent = nullptr);

    // Up-down stepping of the penalty field.
    static constexpr int PenaltyMin = 0;
    static constexpr int PenaltyMax = 100;

    QLineEdit *MaskEdit1 = nullptr;   // time of day, hh:mm:ss,zzz
    QLineEdit *MaskEdit2 = nullptr;   // start number
    QCheckBox *cbStartZavodu = nullptr;
    QLineEdit *Edit1 = nullptr;       // penalty seconds
    QWidget *UpDown1 = nullptr;       // the two arrows beside Edit1
    QPushButton *Button1 = nullptr;   // OK
    QPushButton *Button2 = nullptr;   // Storno

    // The record being edited, or none for a new entry.  Not owned: it belongs
    // to the store (or becomes the store's on a successful OK).
    TRadekPtr EditedRecord;

    // Steps the penalty by delta within PenaltyMin..PenaltyMax, starting from
    // the field's number (or the last stepped value when the field holds none).
    void StepPenalty(int delta);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_upDownPosition = 0;
};
