#pragma once
// The main thread's side of the module link: the two buttons' handlers, the
// life of the communication threads and the window's view of the link.
//
// Who calls it: the main window (connectModule, disconnectModule, and
// Shutdown when it closes); the window binds the signals to its status bar,
// cursor, buttons and the timing desk.  It lives on the main thread.
// It never lets two threads use the module: a connect while the previous
// thread is still finishing its poll starts the new thread once the old one
// has ended.  It never blocks, except in Shutdown, and then for a bounded time.
#include "D2XXUnit.h"
#include "DayTime.h"
#include "LinkHost.h"
#include "LinkScheduling.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class TCommThread;

class LinkController : public QObject {
    Q_OBJECT
public:
    using LogFunction = std::function<void(const QString &)>;
    static constexpr int ShutdownWaitMs = 3000;

    LinkController(std::unique_ptr<FTBackend> backend, LogFunction log, QObject *parent = nullptr);
    ~LinkController() override;

    // "&Připojit časoměrný modul": `photocellMode` is cbRezimFB's index now.
    void connectModule(int photocellMode);
    // "O&dpojit časoměrný modul": the thread ends after its current poll.
    void disconnectModule();
    // Stops the thread and waits for it at most `waitMs`; true when no thread
    // runs afterwards.  Nothing is posted to the window after it returns.
    bool Shutdown(int waitMs = ShutdownWaitMs);

    // A thread exists (polling, connecting or finishing).
    bool Running() const;

    // Called on the communication thread with each stamp the moment it is
    // read, before it is posted to the window: it must be thread-safe.  Set
    // before the first connect; a thread keeps the one it started with.
    std::function<void(bool start, DayTime stamp)> stampRead;
    std::shared_ptr<D2XXUnit> device() const { return m_device; }

signals:
    void statusChanged(const QString &text);
    void cursorChanged(LinkCursor cursor);
    // Whether "&Připojit časoměrný modul" is enabled; the other button is the opposite.
    void connectEnabledChanged(bool enabled);
    void startImpulse(DayTime stamp);
    void finishImpulse(DayTime stamp);
    // The scheduling the communication thread was granted after it connected.
    void schedulingGranted(const SchedulingGrant &grant);

private:
    void StartThread(int photocellMode);
    void ThreadEnded(TCommThread *thread);

    std::shared_ptr<D2XXUnit> m_device;
    LogFunction m_log;
    TCommThread *m_thread = nullptr;
    std::optional<int> m_pendingMode;  // a connect waiting for the old thread to end
    bool m_shutDown = false;
};
