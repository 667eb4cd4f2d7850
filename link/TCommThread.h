#pragma once
// The communication thread: from "&Připojit časoměrný modul" until it is
// stopped it connects to the module, polls it without pause and disconnects.
//
// Everything the window must learn (status texts, cursors, impulses) leaves
// as a queued signal, in the order it happened, and the thread never waits
// for the main thread: a modal dialog or a long save on the main thread does
// not stop the polling, so every impulse keeps the stamp of its own read.
// The thread touches nothing of the main thread's; LinkController starts it,
// stops it and starts the next one only after this one has ended.
//
// Once connected it asks for real-time scheduling for itself alone
// (LinkScheduling) and logs what it got; a refusal never ends the link.
#include "D2XXUnit.h"
#include "DayTime.h"
#include "LinkHost.h"
#include "LinkScheduling.h"

#include <QString>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class TCommThread : public QThread, private LinkHost {
    Q_OBJECT
public:
    using LogFunction = std::function<void(const QString &)>;

    // `photocellMode` is cbRezimFB's index, read by the caller on the main
    // thread; `device` is the one access layer, used by this thread alone
    // while it runs.
    TCommThread(std::shared_ptr<D2XXUnit> device, int photocellMode, LogFunction log, QObject *parent = nullptr);
    ~TCommThread() override;

    // Asks the thread to stop after its current poll; pauses end early.
    void RequestStop();
    bool StopRequested() const { return m_stop.load(); }

    // The last status text and impulse stamp handed over; written and read
    // on the communication thread only (the signals carry them across).
    QString StatusText;
    DayTime ImpulseTime = 0;

signals:
    void statusChanged(const QString &text);
    void cursorChanged(LinkCursor cursor);
    void startImpulse(DayTime stamp);
    void finishImpulse(DayTime stamp);
    // What the thread was granted, once it has connected.
    void schedulingGranted(const SchedulingGrant &grant);

protected:
    void run() override { Execute(); }

private:
    // Connect, poll until asked to stop (at least once), disconnect.
    void Execute();
    void RaisePriority();
    void Log(const QString &message) override;
    void ShowStatus(const QString &text) override;
    void SetCursor(LinkCursor cursor) override;
    void PostStartImpulse(DayTime stamp) override;
    void PostFinishImpulse(DayTime stamp) override;
    void Pause(int ms) override;

    std::shared_ptr<D2XXUnit> m_device;
    int m_photocellMode;
    LogFunction m_log;
    std::unique_ptr<SchedulingSystem> m_scheduling;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
};
