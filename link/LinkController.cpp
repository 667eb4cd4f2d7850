#include "LinkController.h"

#include "TCommThread.h"

LinkController::LinkController(std::unique_ptr<FTBackend> backend, LogFunction log, QObject *parent)
    : QObject(parent), m_device(std::make_shared<D2XXUnit>(std::move(backend))), m_log(std::move(log))
{}

LinkController::~LinkController()
{
    Shutdown();
}

bool LinkController::Running() const
{
    return m_thread != nullptr;
}

void LinkController::connectModule(int photocellMode)
{
    if (m_shutDown)
        return;
    emit connectEnabledChanged(false);
    if (m_thread) {
        if (!m_thread->StopRequested())
            return;  // already polling: one thread per module
        m_pendingMode = photocellMode;
        return;
    }
    StartThread(photocellMode);
}

void LinkController::disconnectModule()
{
    m_pendingMode.reset();
    if (m_thread)
        m_thread->RequestStop();
    emit connectEnabledChanged(true);
}

void LinkController::StartThread(int photocellMode)
{
    auto *thread = new TCommThread(m_device, photocellMode, m_log, this);
    m_thread = thread;
    // Direct, and connected first: a stamp is kept before it is queued, so
    // that a dialog holding up the main thread cannot lose it in a crash.
    if (stampRead) {
        connect(
            thread, &TCommThread::startImpulse, thread, [hook = stampRead](DayTime stamp) { hook(true, stamp); },
            Qt::DirectConnection);
        connect(
            thread, &TCommThread::finishImpulse, thread, [hook = stampRead](DayTime stamp) { hook(false, stamp); },
            Qt::DirectConnection);
    }
    // Queued: the thread's signals arrive on this thread in the order it sent them.
    connect(thread, &TCommThread::statusChanged, this, &LinkController::statusChanged, Qt::QueuedConnection);
    connect(thread, &TCommThread::cursorChanged, this, &LinkController::cursorChanged, Qt::QueuedConnection);
    connect(thread, &TCommThread::startImpulse, this, &LinkController::startImpulse, Qt::QueuedConnection);
    connect(thread, &TCommThread::finishImpulse, this, &LinkController::finishImpulse, Qt::QueuedConnection);
    connect(thread, &TCommThread::schedulingGranted, this, &LinkController::schedulingGranted, Qt::QueuedConnection);
    connect(
        thread, &QThread::finished, this, [this, thread] { ThreadEnded(thread); }, Qt::QueuedConnection);
    thread->start();
}

void LinkController::ThreadEnded(TCommThread *thread)
{
    if (thread != m_thread)
        return;
    m_thread = nullptr;
    // The thread's own queued signals were posted before `finished`, so they
    // have all been delivered by now.
    thread->deleteLater();
    if (m_pendingMode) {
        const int mode = *m_pendingMode;
        m_pendingMode.reset();
        StartThread(mode);
        return;
    }
    // Nothing works in the background any more; the link's last cursor
    // (the background-work one after a found module) would say otherwise.
    emit cursorChanged(LinkCursor::Default);
    emit connectEnabledChanged(true);
}

bool LinkController::Shutdown(int waitMs)
{
    m_shutDown = true;
    m_pendingMode.reset();
    if (!m_thread)
        return true;
    TCommThread *thread = m_thread;
    m_thread = nullptr;
    disconnect(thread, nullptr, this, nullptr);
    thread->RequestStop();
    if (thread->wait(waitMs)) {
        delete thread;
        return true;
    }
    // A driver call that does not return: leave the thread to the end of the
    // process rather than destroy it while it runs.  It holds its own share
    // of the access layer and signals nobody.
    thread->setParent(nullptr);
    if (m_log)
        m_log(QStringLiteral("TCommThread: vlakno neskoncilo vcas"));
    return false;
}
