#pragma once
// The module's state on the timing page, at the top of the group
// " Časoměrný modul ": an icon and a text ("Modul připojen" in green, "Modul
// odpojen" in grey, "Spojení ztraceno – hledám modul…" in red), and below them
// the time of the last impulse the module sent.  Each state has an icon of
// its own shape (a tick, a dash, a warning triangle), so that the state reads
// without telling the colours apart.
//
// Built by the main window's page builder, bound to a ModuleState; it shows,
// it never decides.
#include "ModuleState.h"

#include <QFrame>

class QLabel;

class ModuleIndicator : public QFrame {
    Q_OBJECT
public:
    explicit ModuleIndicator(QWidget *parent = nullptr);

    // Shows this state from now on.
    void Bind(ModuleState *state);
    void Show(ModuleState::State state, const QString &lastImpulse);

protected:
    void changeEvent(QEvent *event) override;

private:
    void FitToFont();

    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    QLabel *m_lastImpulse = nullptr;
};
