#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QThread;

// The one thread of the program's own for slow file work: hashing a file, writing a recovery
// copy, letting go of a large file a save replaced. Jobs run one at a time, in the order they
// came. Each job has a purpose, and a purpose has at most one job waiting: a newer one takes its
// place, and one that is running is asked to stop (its stop flag), so that what it finds is
// never used. Results reach the user interface's thread by deliver(); nothing there ever waits
// for a job, and the program ends promptly even while one runs.
class Worker {
public:
    using Job = std::function<void(const std::atomic<bool>& stop)>;

    Worker();
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void post(int purpose, Job job);
    // Drops the purpose's waiting job and asks its running one to stop.
    void cancel(int purpose);
    // A file descriptor to close on the worker: the system frees a large file's blocks when it
    // is closed, which may take a while.
    void letGo(int fd);
    // Whether a job of the purpose waits or runs.
    bool busy(int purpose) const;

    // Runs what on the thread of context, unless context is gone by then.
    static void deliver(QObject* context, std::function<void()> what);

private:
    struct Entry {
        int purpose;
        Job job;
        std::shared_ptr<std::atomic<bool>> stop;
    };
    void loop();
    void runInline(Entry& entry);

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Entry> m_waiting;
    std::vector<int> m_closing;
    // The running job's purpose and stop flag.
    int m_runningPurpose = -1;
    std::shared_ptr<std::atomic<bool>> m_runningStop;
    bool m_ending = false;
    QThread* m_thread = nullptr; // null when no thread could be started: jobs run at once
};
