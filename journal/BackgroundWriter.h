#pragma once
// The data file's writer thread: the record store hands it each save (the
// latest state, already taken from the store) and goes on at once; a save
// handed over while another is being written waits, and a newer one
// replaces it, so a burst of changes costs one more write, not one each.
// The outcome of each write that ran comes back on the thread that created
// the writer, through its event loop or at WaitIdle.
//
// The main window creates it beside the store and waits for it when closing
// (WaitIdle); its destructor waits too.  It never shows anything and never
// runs two writes at once.
#include "RecordStore.h"

#include <QObject>
#include <condition_variable>
#include <deque>
#include <optional>
#include <mutex>
#include <thread>

class BackgroundWriter : public QObject, public SaveQueue {
    Q_OBJECT
public:
    explicit BackgroundWriter(QObject *parent = nullptr);
    ~BackgroundWriter() override;

    void Submit(std::function<QString()> write, std::function<void(const QString &error)> done) override;
    // Blocks until the write under way and the one waiting have run, then
    // delivers their outcomes here.
    void WaitIdle() override;

    // Writes that ran (for tests and the benchmark).
    int writesRun() const;

private:
    struct Job {
        std::function<QString()> write;
        std::function<void(const QString &)> done;
    };
    struct Outcome {
        std::function<void(const QString &)> done;
        QString error;
    };
    void Run();
    void Deliver();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_waiting;
    bool m_busy = false;
    bool m_stop = false;
    int m_writesRun = 0;
    std::deque<Outcome> m_outcomes;
    std::thread m_thread;
};
