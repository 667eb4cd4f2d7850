#pragma once
// The real SchedulingSystem of Linux, for the calling thread: RealtimeKit over
// the system D-Bus, SCHED_FIFO through the scheduler, nice through
// setpriority, the limits and capabilities that decide what is allowed.
//
// Before real time is granted it sets a real-time budget for the process
// (RLIMIT_RTTIME: 100 ms soft, at most 200 ms hard, less when RealtimeKit
// wants less), and catches the SIGXCPU that the soft limit sends: a thread
// that ran that long without blocking loses real time instead of taking the
// desktop with it (the hard limit would kill the process).  The poll loop
// never comes near it; the budget guards against a fault, not a busy module.
//
// Who calls it: RaiseLinkThread on the communication thread, one thread at a
// time.  It never blocks for longer than its D-Bus time-out (1 s a call).
#include "LinkScheduling.h"

class SystemScheduling : public SchedulingSystem {
public:
    static constexpr int DBusTimeoutMs = 1000;
    static constexpr long long BudgetSoftUs = 100'000;
    static constexpr long long BudgetHardUs = 200'000;

    std::optional<int> RealtimeKitMaxPriority(QString &why) override;
    bool RealtimeKitMakeRealtime(int priority, QString &why) override;
    int FifoPriorityAllowed() override;
    bool SetFifo(int priority, QString &why) override;
    int LowestNiceAllowed() override;
    int CurrentNice() override;
    bool SetNice(int nice, QString &why) override;
    bool RealtimeWithdrawn() override;
    void ThreadEnding() override;
};
