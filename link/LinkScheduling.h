#pragma once
// How the communication thread asks for the processor.  A stamp is only as
// good as the moment the thread gets to read the byte, and a busy PC (the
// spectator window, the web page, an export) would otherwise make it wait.
// So the thread, and only it, asks for real-time scheduling, the way desktop
// audio does, trying in turn:
//   1. RealtimeKit over D-Bus, where it runs (a desktop session);
//   2. SCHED_FIFO set by the thread itself, where the process may
//      (RLIMIT_RTPRIO above 0, e.g. from /etc/security/limits.d, or
//      CAP_SYS_NICE, e.g. root);
//   3. otherwise the lowest nice value (highest priority) the process may set.
// Nothing here ever fails a connect: every refusal is just the next way.
//
// Who calls it: TCommThread, once on its own thread after a successful
// connect; the tests with a scripted SchedulingSystem.  It must never be
// called on the main thread: it changes the calling thread.  Real time is
// safe here only because the poll loop never spins (every poll blocks in its
// read and its pause); SystemScheduling adds a budget on top.
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <optional>

// What the operating system offers, for the calling thread.  Every call that
// can be refused returns false and says why in `why`.
class SchedulingSystem {
public:
    virtual ~SchedulingSystem() = default;
    // RealtimeKit's highest priority, or nothing when it cannot be asked.
    virtual std::optional<int> RealtimeKitMaxPriority(QString &why) = 0;
    virtual bool RealtimeKitMakeRealtime(int priority, QString &why) = 0;
    // The highest SCHED_FIFO priority the process may set itself; 0: none.
    virtual int FifoPriorityAllowed() = 0;
    virtual bool SetFifo(int priority, QString &why) = 0;
    // The lowest nice value the process may set, and the thread's own.
    virtual int LowestNiceAllowed() = 0;
    virtual int CurrentNice() = 0;
    virtual bool SetNice(int nice, QString &why) = 0;
    // True once real time was taken back because the thread ran too long
    // without a pause.
    virtual bool RealtimeWithdrawn() { return false; }
    // The thread is about to end: it goes back to normal scheduling and is
    // no longer watched.
    virtual void ThreadEnding() {}
};

struct SchedulingGrant {
    enum class Way { RealtimeKit, Fifo, Nice };
    Way way = Way::Nice;
    int level = 0;         // the real-time priority, or the nice value
    bool changed = false;  // false: nothing could be raised, the nice value is the old one
    QStringList refused;   // why each way before it was refused

    bool realtime() const { return way != Way::Nice; }
    // The one line for the event log (ASCII, as the link's other lines).
    QString LogLine() const;
};
Q_DECLARE_METATYPE(SchedulingGrant)

// The priority the thread asks for: above every desktop program, below the
// kernel's interrupt threads (50), and within RealtimeKit's usual limit.
inline constexpr int LinkRealtimePriority = 20;

// Raises the calling thread as far as the system allows; what was granted.
SchedulingGrant RaiseLinkThread(SchedulingSystem &system);
