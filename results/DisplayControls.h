#pragma once
// The group " Okno displeje pro diváky " of the main window: the controls
// that show or hide the spectator window and set what it shows, the category
// ("Kategorie:") among them.
//
// The main window places the group and calls Bind once its results lists
// exist; from then on every change of a control goes to the spectator
// window's board at once, a change of the mode runs the refresh, and every
// refresh refills the spectator list.  The group holds no state of its own
// and never touches the record store.
#include <QGroupBox>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLineEdit;
class CategoryBox;
class ResultsLists;
class SpectatorWindow;

class DisplayControls : public QGroupBox {
    Q_OBJECT
public:
    explicit DisplayControls(QWidget *parent = nullptr);

    // Ties the controls and the refresh to the spectator window and gives the
    // board the controls' present values.  display may be null (nothing is
    // shown then; the mode still refreshes).
    void Bind(SpectatorWindow *display, ResultsLists *results);

    QCheckBox *cbDisplayWindow = nullptr;
    QCheckBox *cbDispRunningTime = nullptr;
    QLineEdit *edDispCaption = nullptr;
    QComboBox *cbDispMode = nullptr;
    QCheckBox *cbDispPaging = nullptr;
    CategoryBox *cbDispKategorie = nullptr;

    // The handlers: each hands its control's value to the spectator window
    // (applyMode also refreshes the lists).
    void showOrHideWindow();
    void applyRunningTime();
    void applyCaption();
    void applyMode();
    void applyPaging();
    void applyCategory();

private:
    QPointer<SpectatorWindow> m_display;
    QPointer<ResultsLists> m_results;
};
