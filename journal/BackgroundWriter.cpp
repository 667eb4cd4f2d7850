#include "BackgroundWriter.h"

#include <QMetaObject>

BackgroundWriter::BackgroundWriter(QObject *parent) : QObject(parent)
{
    m_thread = std::thread([this] { Run(); });
}

BackgroundWriter::~BackgroundWriter()
{
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return !m_waiting && !m_busy; });
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    Deliver();
}

void BackgroundWriter::Submit(std::function<QString()> write, std::function<void(const QString &)> done)
{
    {
        std::lock_guard lock(m_mutex);
        m_waiting = Job{std::move(write), std::move(done)};
    }
    m_wake.notify_one();
}

void BackgroundWriter::Run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_waiting; });
            if (!m_waiting)
                return;
            job = std::move(*m_waiting);
            m_waiting.reset();
            m_busy = true;
        }
        const QString error = job.write();
        {
            std::lock_guard lock(m_mutex);
            m_outcomes.push_back({std::move(job.done), error});
            m_busy = false;
            ++m_writesRun;
        }
        m_idle.notify_all();
        QMetaObject::invokeMethod(
            this, [this] { Deliver(); }, Qt::QueuedConnection);
    }
}

void BackgroundWriter::Deliver()
{
    for (;;) {
        Outcome outcome;
        {
            std::lock_guard lock(m_mutex);
            if (m_outcomes.empty())
                return;
            outcome = std::move(m_outcomes.front());
            m_outcomes.pop_front();
        }
        if (outcome.done)
            outcome.done(outcome.error);
    }
}

void BackgroundWriter::WaitIdle()
{
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return !m_waiting && !m_busy; });
    }
    Deliver();
}

int BackgroundWriter::writesRun() const
{
    std::lock_guard lock(m_mutex);
    return m_writesRun;
}
