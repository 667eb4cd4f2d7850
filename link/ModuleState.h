#pragma once
// What the operator needs to know of the timing module at a glance: whether
// it is connected, disconnected, or lost and being searched for, and when the
// last impulse came from it.
//
// It reads the link controller's signals on the main thread: the cursor says
// what the link does (searching, polling an open module, nothing), the
// connect button says whether a link is wanted at all, and the impulses carry
// their stamps.  The main window binds it to the indicator on the timing
// page.  It never drives the link; it only watches.
#include "DayTime.h"
#include "LinkHost.h"

#include <QObject>
#include <QString>
#include <optional>

class LinkController;

class ModuleState : public QObject {
    Q_OBJECT
public:
    enum class State {
        Disconnected,  // no link wanted, or none found at the first search
        Connected,     // the module is open and polled
        Lost,          // it was connected, and the link is searching for it again
    };

    explicit ModuleState(QObject *parent = nullptr);
    // Follows this controller's signals from now on.
    void Watch(LinkController &link);

    State state() const { return m_state; }
    // The stamp of the last impulse the module sent in this run.
    std::optional<DayTime> lastImpulse() const { return m_lastImpulse; }

    // "Modul připojen", "Modul odpojen", "Spojení ztraceno – hledám modul…".
    static QString Text(State state);
    // "Poslední impuls 12:34:56,789", or empty before the first one.
    QString lastImpulseText() const;

    // The controller's signals.
    void CursorChanged(LinkCursor cursor);
    void ConnectEnabledChanged(bool enabled);
    void ImpulseReceived(DayTime stamp);

signals:
    void changed();

private:
    void SetState(State state);

    State m_state = State::Disconnected;
    bool m_wanted = false;        // between "Připojit" and "Odpojit" (or the link's end)
    bool m_wasConnected = false;  // the module was open since the link was wanted
    std::optional<DayTime> m_lastImpulse;
};
