#pragma once
// The manual time entry dialog "Ruční zadání časů": a small modeless window
// over the main window that edits one time record.  What opening, the check
// box, OK and Storno do is decided by ManualEntry; this window lays out the
// controls, mirrors the entry's fields into them, hands typed text back and
// steps the penalty with its up-down arrows.  Created once, after the main
// window, then only shown and hidden.
#include <QDialog>

class ManualEntry;
class QCheckBox;
class QFont;
class QLineEdit;
class QPushButton;

class ManualEntryDialog : public QDialog {
    Q_OBJECT
public:
    explicit ManualEntryDialog(QWidget *parent = nullptr);

    // Up-down stepping of the penalty field.
    static constexpr int PenaltyMin = 0;
    static constexpr int PenaltyMax = 100;

    // Ties the controls to the entry for the rest of the run.
    void Bind(ManualEntry *entry);

    // Steps the penalty by delta within PenaltyMin..PenaltyMax, starting from
    // the field's number (or the last stepped value when the field holds none).
    void StepPenalty(int delta);

    // Esc presses "Storno".
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The constructor's steps, in this order.
    void CreateRecordFields(const QFont &large);  // time, number, race start box
    void CreatePenaltyField();
    void CreateButtons();
    void LayOutControls();
    void SetTabOrder();

    void ShowFields();
    void HandTypedText();
    void ShowRaceTime();

    ManualEntry *m_entry = nullptr;
    int m_upDownPosition = 0;

    QLineEdit *MaskEdit1 = nullptr;  // time of day, hh:mm:ss,zzz
    QLineEdit *MaskEdit2 = nullptr;  // start number
    QLineEdit *edCasOdStartu = nullptr;  // the race time of MaskEdit1, read-only
    QCheckBox *cbStartZavodu = nullptr;
    QLineEdit *Edit1 = nullptr;      // penalty seconds
    QWidget *UpDown1 = nullptr;      // the two arrows beside Edit1
    QPushButton *Button1 = nullptr;  // OK
    QPushButton *Button2 = nullptr;  // Storno
};
