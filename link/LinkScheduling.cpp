#include "LinkScheduling.h"

#include <algorithm>

QString SchedulingGrant::LogLine() const
{
    QString line;
    switch (way) {
    case Way::RealtimeKit:
        line = QStringLiteral("TCommThread: realny cas pres RealtimeKit, priorita %1").arg(level);
        break;
    case Way::Fifo: line = QStringLiteral("TCommThread: realny cas SCHED_FIFO, priorita %1").arg(level); break;
    case Way::Nice:
        line = changed ? QStringLiteral("TCommThread: bez realneho casu, nice %1").arg(level)
                       : QStringLiteral("TCommThread: bez realneho casu, nice %1 beze zmeny").arg(level);
        break;
    }
    if (!refused.isEmpty())
        line += QStringLiteral(" (") + refused.join(QStringLiteral("; ")) + u')';
    return line;
}

SchedulingGrant RaiseLinkThread(SchedulingSystem &system)
{
    SchedulingGrant grant;
    QString why;
    if (const std::optional<int> max = system.RealtimeKitMaxPriority(why)) {
        const int priority = std::min(LinkRealtimePriority, *max);
        if (priority < 1)
            why = QStringLiteral("nejvyssi priorita %1").arg(*max);
        else if (system.RealtimeKitMakeRealtime(priority, why))
            return {SchedulingGrant::Way::RealtimeKit, priority, true, grant.refused};
    }
    grant.refused << QStringLiteral("RealtimeKit: ") + why;

    why.clear();
    const int fifo = std::min(LinkRealtimePriority, system.FifoPriorityAllowed());
    if (fifo < 1)
        why = QStringLiteral("nepovolen (RLIMIT_RTPRIO 0, bez CAP_SYS_NICE)");
    else if (system.SetFifo(fifo, why))
        return {SchedulingGrant::Way::Fifo, fifo, true, grant.refused};
    grant.refused << QStringLiteral("SCHED_FIFO: ") + why;

    grant.level = system.CurrentNice();
    const int lowest = system.LowestNiceAllowed();
    why.clear();
    if (lowest < grant.level) {
        if (system.SetNice(lowest, why)) {
            grant.level = lowest;
            grant.changed = true;
        } else {
            grant.refused << QStringLiteral("nice %1: ").arg(lowest) + why;
        }
    }
    return grant;
}
