#include "Worker.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QThread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

void closeDescriptor(int fd) {
#ifdef Q_OS_UNIX
    ::close(fd);
#else
    (void)fd;
#endif
}

} // namespace

Worker::Worker() {
    QThread* thread = QThread::create([this] { loop(); });
    thread->setObjectName(QStringLiteral("Quorix worker"));
    thread->start(QThread::LowPriority);
    if (thread->isRunning()) {
        m_thread = thread;
    } else {
        // No thread could be made (the system is out of them): the program goes on, and the
        // jobs run where they are posted.
        delete thread;
    }
}

Worker::~Worker() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_ending = true;
        for (Entry& e : m_waiting)
            e.stop->store(true);
        m_waiting.clear();
        if (m_runningStop)
            m_runningStop->store(true);
    }
    m_wake.notify_all();
    if (!m_thread)
        return;
    // A job stops at its next look at its flag; one inside a system call that cannot be cut
    // short (a sync to a slow disk) is left to the system, which ends it with the program.
    if (m_thread->wait(QDeadlineTimer(500)))
        delete m_thread;
    std::lock_guard<std::mutex> guard(m_lock);
    for (int fd : m_closing)
        closeDescriptor(fd);
    m_closing.clear();
}

void Worker::post(int purpose, Job job) {
    Entry entry{purpose, std::move(job), std::make_shared<std::atomic<bool>>(false)};
    if (!m_thread) {
        runInline(entry);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_ending)
            return;
        for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
            if (it->purpose == purpose) {
                it->stop->store(true);
                m_waiting.erase(it);
                break;
            }
        }
        if (m_runningPurpose == purpose && m_runningStop)
            m_runningStop->store(true);
        m_waiting.push_back(std::move(entry));
    }
    m_wake.notify_one();
}

void Worker::runInline(Entry& entry) {
    entry.job(*entry.stop);
}

void Worker::cancel(int purpose) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::erase_if(m_waiting, [purpose](const Entry& e) { return e.purpose == purpose; });
    if (m_runningPurpose == purpose && m_runningStop)
        m_runningStop->store(true);
}

bool Worker::busy(int purpose) const {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_runningPurpose == purpose)
        return true;
    for (const Entry& e : m_waiting) {
        if (e.purpose == purpose)
            return true;
    }
    return false;
}

void Worker::letGo(int fd) {
    if (fd < 0)
        return;
    if (!m_thread) {
        closeDescriptor(fd);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_closing.push_back(fd);
    }
    m_wake.notify_one();
}

void Worker::loop() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_ending || !m_waiting.empty() || !m_closing.empty(); });
        if (m_ending)
            return;
        if (!m_closing.empty()) {
            const std::vector<int> closing = std::exchange(m_closing, {});
            lock.unlock();
            for (int fd : closing)
                closeDescriptor(fd);
            lock.lock();
            continue;
        }
        Entry entry = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_runningPurpose = entry.purpose;
        m_runningStop = entry.stop;
        lock.unlock();
        entry.job(*entry.stop);
        lock.lock();
        m_runningPurpose = -1;
        m_runningStop.reset();
    }
}

void Worker::deliver(QObject* context, std::function<void()> what) {
    QMetaObject::invokeMethod(
        context, [what = std::move(what)] { what(); }, Qt::QueuedConnection);
}
