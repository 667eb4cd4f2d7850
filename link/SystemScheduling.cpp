#include "SystemScheduling.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString RtkitService = QStringLiteral("org.freedesktop.RealtimeKit1");
const QString RtkitPath = QStringLiteral("/org/freedesktop/RealtimeKit1");

// The thread that holds real time under the budget (0: none), and whether the
// budget took it back.  Read by the signal handler, so plain atomics.
std::atomic<pid_t> g_realtimeThread{0};
std::atomic<bool> g_withdrawn{false};

void OnBudgetSpent(int)
{
    const pid_t tid = g_realtimeThread.load();
    if (tid <= 0) {
        // Not ours (a CPU time limit someone else set): what it would have done.
        std::signal(SIGXCPU, SIG_DFL);
        std::raise(SIGXCPU);
        return;
    }
    sched_param normal{};
    syscall(SYS_sched_setscheduler, tid, SCHED_OTHER, &normal);
    g_withdrawn = true;
}

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool HasSysNice()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    return data[CAP_SYS_NICE / 32].effective & (1u << (CAP_SYS_NICE % 32));
}

// The budget, set before real time is taken; false when the limit cannot be
// set (then real time is not taken either).
bool SetBudget(long long hardUs, QString &why)
{
    static const bool handled = [] {
        struct sigaction action {};
        action.sa_handler = OnBudgetSpent;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        return sigaction(SIGXCPU, &action, nullptr) == 0;
    }();
    if (!handled) {
        why = QStringLiteral("SIGXCPU: ") + SystemError(errno);
        return false;
    }
    rlimit limit{};
    getrlimit(RLIMIT_RTTIME, &limit);
    const rlim_t hard = std::min<rlim_t>(limit.rlim_max, rlim_t(hardUs));
    const rlim_t soft = std::min<rlim_t>({limit.rlim_cur, hard, rlim_t(SystemScheduling::BudgetSoftUs)});
    limit = {soft < hard ? soft : hard / 2, hard};
    if (setrlimit(RLIMIT_RTTIME, &limit) != 0) {
        why = QStringLiteral("RLIMIT_RTTIME: ") + SystemError(errno);
        return false;
    }
    return true;
}

void Watch()
{
    g_withdrawn = false;
    g_realtimeThread = pid_t(gettid());
}

// One property of RealtimeKit; false with the reason when it cannot be read.
bool RtkitProperty(const QString &name, QVariant &value, QString &why)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        why = QStringLiteral("bez systemove sbernice D-Bus");
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        RtkitService, RtkitPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << RtkitService << name;
    const QDBusMessage reply = bus.call(call, QDBus::Block, SystemScheduling::DBusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        why = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        return false;
    }
    value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    return true;
}

}  // namespace

std::optional<int> SystemScheduling::RealtimeKitMaxPriority(QString &why)
{
    QVariant max;
    if (!RtkitProperty(QStringLiteral("MaxRealtimePriority"), max, why))
        return std::nullopt;
    return max.toInt();
}

bool SystemScheduling::RealtimeKitMakeRealtime(int priority, QString &why)
{
    // RealtimeKit grants only a process whose budget is within its own.
    QVariant budget;
    long long hardUs = BudgetHardUs;
    if (RtkitProperty(QStringLiteral("RTTimeUSecMax"), budget, why) && budget.toLongLong() > 0)
        hardUs = std::min(hardUs, budget.toLongLong());
    if (!SetBudget(hardUs, why))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(RtkitService, RtkitPath, RtkitService,
                                                       QStringLiteral("MakeThreadRealtime"));
    call << quint64(gettid()) << quint32(priority);
    const QDBusMessage reply = QDBusConnection::systemBus().call(call, QDBus::Block, DBusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        why = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        return false;
    }
    Watch();
    return true;
}

int SystemScheduling::FifoPriorityAllowed()
{
    if (HasSysNice())
        return sched_get_priority_max(SCHED_FIFO);
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0)
        return 0;
    return int(std::min<rlim_t>(limit.rlim_cur, rlim_t(sched_get_priority_max(SCHED_FIFO))));
}

bool SystemScheduling::SetFifo(int priority, QString &why)
{
    if (!SetBudget(BudgetHardUs, why))
        return false;
    sched_param param{};
    param.sched_priority = priority;
    // Reset on fork: nothing the thread might start inherits real time.
    if (sched_setscheduler(pid_t(gettid()), SCHED_FIFO | SCHED_RESET_ON_FORK, &param) != 0) {
        why = SystemError(errno);
        return false;
    }
    Watch();
    return true;
}

int SystemScheduling::LowestNiceAllowed()
{
    if (HasSysNice())
        return -20;
    // RLIMIT_NICE counts from the lowest nice: 40 allows -20, 0 nothing below 20.
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0)
        return 20;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 40)
        return -20;
    return 20 - int(limit.rlim_cur);
}

int SystemScheduling::CurrentNice()
{
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, id_t(gettid()));
    return errno == 0 ? nice : 0;
}

bool SystemScheduling::SetNice(int nice, QString &why)
{
    if (setpriority(PRIO_PROCESS, id_t(gettid()), nice) != 0) {
        why = SystemError(errno);
        return false;
    }
    return true;
}

bool SystemScheduling::RealtimeWithdrawn()
{
    return g_withdrawn.load() && g_realtimeThread.load() == pid_t(gettid());
}

void SystemScheduling::ThreadEnding()
{
    // Back to normal first: a thread that is no longer watched must not hold
    // real time for a moment either.
    pid_t self = pid_t(gettid());
    if (g_realtimeThread.load() != self)
        return;
    sched_param normal{};
    sched_setscheduler(self, SCHED_OTHER, &normal);
    g_realtimeThread.compare_exchange_strong(self, 0);
}
