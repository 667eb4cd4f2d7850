#include "TCommThread.h"

#include "PollLoop.h"
#include "SystemScheduling.h"

#include <chrono>

TCommThread::TCommThread(std::shared_ptr<D2XXUnit> device, int photocellMode, LogFunction log, QObject *parent)
    : QThread(parent), m_device(std::move(device)), m_photocellMode(photocellMode), m_log(std::move(log)),
      m_scheduling(std::make_unique<SystemScheduling>())
{}

TCommThread::~TCommThread()
{
    RequestStop();
    wait();
}

void TCommThread::RequestStop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void TCommThread::Execute()
{
    PollLoop loop(*m_device, *this, m_photocellMode);
    if (loop.Connect())
        RaisePriority();
    else
        RequestStop();
    // One poll even after a failed connect: its read error brings one more
    // search before the thread ends.
    bool withdrawn = false;
    do {
        loop.Poll();
        if (!withdrawn && m_scheduling->RealtimeWithdrawn()) {
            withdrawn = true;
            Log(QStringLiteral("TCommThread: realny cas odebran, vlakno bezelo prilis dlouho bez prestavky"));
        }
    } while (!StopRequested());
    loop.Disconnect();
    m_scheduling->ThreadEnding();
}

void TCommThread::RaisePriority()
{
    const SchedulingGrant grant = RaiseLinkThread(*m_scheduling);
    Log(grant.LogLine());
    emit schedulingGranted(grant);
}

void TCommThread::Log(const QString &message)
{
    if (m_log)
        m_log(message);
}

void TCommThread::ShowStatus(const QString &text)
{
    StatusText = text;
    emit statusChanged(text);
}

void TCommThread::SetCursor(LinkCursor cursor)
{
    emit cursorChanged(cursor);
}

void TCommThread::PostStartImpulse(DayTime stamp)
{
    ImpulseTime = stamp;
    emit startImpulse(stamp);
}

void TCommThread::PostFinishImpulse(DayTime stamp)
{
    ImpulseTime = stamp;
    emit finishImpulse(stamp);
}

void TCommThread::Pause(int ms)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop.load(); });
}
