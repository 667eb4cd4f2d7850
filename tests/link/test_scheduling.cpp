// The link thread's scheduling: which way is tried, in which order, what is
// granted when each is refused, and the line the event log gets; and the
// budget that takes real time back from a thread that never pauses.
#include "LinkScheduling.h"
#include "SystemScheduling.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sched.h>
#include <thread>

namespace {

// A system that answers as scripted and notes what it was asked to do.
class ScriptedScheduling : public SchedulingSystem {
public:
    std::optional<int> rtkitMax;  // nothing: RealtimeKit does not run
    bool rtkitGrants = false;
    int fifoAllowed = 0;
    bool fifoGrants = false;
    int lowestNice = 20;
    int nice = 0;
    bool niceGrants = true;
    QStringList asked;

    std::optional<int> RealtimeKitMaxPriority(QString &why) override
    {
        if (!rtkitMax)
            why = QStringLiteral("ServiceUnknown");
        return rtkitMax;
    }
    bool RealtimeKitMakeRealtime(int priority, QString &why) override
    {
        asked << QStringLiteral("rtkit %1").arg(priority);
        if (!rtkitGrants)
            why = QStringLiteral("AccessDenied");
        return rtkitGrants;
    }
    int FifoPriorityAllowed() override { return fifoAllowed; }
    bool SetFifo(int priority, QString &why) override
    {
        asked << QStringLiteral("fifo %1").arg(priority);
        if (!fifoGrants)
            why = QStringLiteral("Operation not permitted");
        return fifoGrants;
    }
    int LowestNiceAllowed() override { return lowestNice; }
    int CurrentNice() override { return nice; }
    bool SetNice(int value, QString &why) override
    {
        asked << QStringLiteral("nice %1").arg(value);
        if (!niceGrants)
            why = QStringLiteral("Permission denied");
        return niceGrants;
    }
};

TEST(LinkScheduling, EachWayGrantedOrRefusedInTurn)
{
    using Way = SchedulingGrant::Way;
    const struct {
        const char *name;
        std::optional<int> rtkitMax;
        bool rtkitGrants;
        int fifoAllowed;
        bool fifoGrants;
        int lowestNice;
        bool niceGrants;
        Way way;
        int level;
        QStringList asked;
        QString log;
    } cases[] = {
        {"RealtimeKit grants: nothing else is tried",
         20,
         true,
         99,
         true,
         -20,
         true,
         Way::RealtimeKit,
         20,
         {"rtkit 20"},
         "TCommThread: realny cas pres RealtimeKit, priorita 20"},
        {"RealtimeKit allows less than asked",
         9,
         true,
         0,
         false,
         20,
         true,
         Way::RealtimeKit,
         9,
         {"rtkit 9"},
         "TCommThread: realny cas pres RealtimeKit, priorita 9"},
        {"RealtimeKit refuses, the process may: SCHED_FIFO",
         20,
         false,
         99,
         true,
         -20,
         true,
         Way::Fifo,
         20,
         {"rtkit 20", "fifo 20"},
         "TCommThread: realny cas SCHED_FIFO, priorita 20 (RealtimeKit: AccessDenied)"},
        {"no RealtimeKit, RLIMIT_RTPRIO 5",
         std::nullopt,
         false,
         5,
         true,
         20,
         true,
         Way::Fifo,
         5,
         {"fifo 5"},
         "TCommThread: realny cas SCHED_FIFO, priorita 5 (RealtimeKit: ServiceUnknown)"},
        {"RealtimeKit offers no priority at all",
         0,
         true,
         0,
         false,
         20,
         true,
         Way::Nice,
         0,
         {},
         "TCommThread: bez realneho casu, nice 0 beze zmeny (RealtimeKit: nejvyssi priorita 0; "
         "SCHED_FIFO: nepovolen (RLIMIT_RTPRIO 0, bez CAP_SYS_NICE))"},
        {"SCHED_FIFO allowed but refused (no real-time share in the group): nice",
         std::nullopt,
         false,
         99,
         false,
         -20,
         true,
         Way::Nice,
         -20,
         {"fifo 20", "nice -20"},
         "TCommThread: bez realneho casu, nice -20 (RealtimeKit: ServiceUnknown; "
         "SCHED_FIFO: Operation not permitted)"},
        {"only RLIMIT_NICE: the lowest nice it allows",
         std::nullopt,
         false,
         0,
         false,
         -5,
         true,
         Way::Nice,
         -5,
         {"nice -5"},
         "TCommThread: bez realneho casu, nice -5 (RealtimeKit: ServiceUnknown; "
         "SCHED_FIFO: nepovolen (RLIMIT_RTPRIO 0, bez CAP_SYS_NICE))"},
        {"nothing allowed: the nice value stays",
         std::nullopt,
         false,
         0,
         false,
         20,
         true,
         Way::Nice,
         0,
         {},
         "TCommThread: bez realneho casu, nice 0 beze zmeny (RealtimeKit: ServiceUnknown; "
         "SCHED_FIFO: nepovolen (RLIMIT_RTPRIO 0, bez CAP_SYS_NICE))"},
        {"all three refused",
         20,
         false,
         99,
         false,
         -20,
         false,
         Way::Nice,
         0,
         {"rtkit 20", "fifo 20", "nice -20"},
         "TCommThread: bez realneho casu, nice 0 beze zmeny (RealtimeKit: AccessDenied; "
         "SCHED_FIFO: Operation not permitted; nice -20: Permission denied)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedScheduling system;
        system.rtkitMax = c.rtkitMax;
        system.rtkitGrants = c.rtkitGrants;
        system.fifoAllowed = c.fifoAllowed;
        system.fifoGrants = c.fifoGrants;
        system.lowestNice = c.lowestNice;
        system.niceGrants = c.niceGrants;
        const SchedulingGrant grant = RaiseLinkThread(system);
        EXPECT_EQ(grant.way, c.way);
        EXPECT_EQ(grant.level, c.level);
        EXPECT_EQ(grant.realtime(), c.way != Way::Nice);
        EXPECT_EQ(system.asked, c.asked);
        EXPECT_EQ(grant.LogLine(), c.log);
    }
}

TEST(LinkScheduling, ANiceValueAlreadyBetterThanAllowedIsKept)
{
    ScriptedScheduling system;
    system.nice = -10;
    system.lowestNice = 0;
    const SchedulingGrant grant = RaiseLinkThread(system);
    EXPECT_EQ(grant.level, -10);
    EXPECT_TRUE(system.asked.isEmpty());
}

}  // namespace

// The real system's budget: a thread holding real time that never pauses is
// put back to normal scheduling, and the process lives on (the limit's own
// signal would end it).  Needs the right to set SCHED_FIFO (root here).
TEST(SystemScheduling, AThreadThatNeverPausesLosesRealTimeNotTheProcess)
{
    bool granted = false;
    bool withdrawn = false;
    int policyAfter = -1;
    std::thread spinner([&] {
        SystemScheduling system;
        QString why;
        granted = system.FifoPriorityAllowed() >= 1 && system.SetFifo(1, why);
        if (!granted)
            return;
        // Spins, never blocking: the budget is 100 ms of real time.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!system.RealtimeWithdrawn() && std::chrono::steady_clock::now() < until) {
        }
        withdrawn = system.RealtimeWithdrawn();
        policyAfter = sched_getscheduler(0);
        system.ThreadEnding();
    });
    spinner.join();
    if (!granted)
        GTEST_SKIP() << "SCHED_FIFO not allowed here";
    EXPECT_TRUE(withdrawn);
    EXPECT_EQ(policyAfter, SCHED_OTHER);
}
