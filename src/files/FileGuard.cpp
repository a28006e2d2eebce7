#include "FileGuard.h"

#include "Worker.h"

#include <QDateTime>
#include <QPointer>

namespace {
constexpr int ConfirmPurpose = 1;
}

FileGuard::FileGuard(Worker& worker, QObject* parent)
    : QObject(parent)
    , m_worker(worker) {
    m_confirm.setSingleShot(true);
    connect(&m_confirm, &QTimer::timeout, this, &FileGuard::confirm);
    connect(&m_watch, &FileWatch::changed, this, &FileGuard::changed);
}

FileGuard::~FileGuard() {
    m_worker.cancel(ConfirmPurpose);
}

void FileGuard::follow(const QString& path, std::optional<FileStamp> stamp) {
    ++m_generation;
    m_worker.cancel(ConfirmPurpose);
    m_confirm.stop();
    m_path = stamp ? path : QString();
    m_stamp = m_path.isEmpty() ? std::nullopt : std::move(stamp);
    m_watch.watch(m_path);
    confirmLater();
}

FileState FileGuard::check() const {
    if (!m_stamp)
        return FileState::Unchanged;
    return compareFile(*m_stamp, m_path);
}

void FileGuard::confirmLater() {
    if (!m_stamp || !m_stamp->racy() || !m_stamp->hash)
        return;
    const qint64 since = m_stamp->takenNs - std::max(m_stamp->modifiedNs, m_stamp->statusChangedNs);
    const qint64 wait = std::max<qint64>(0, FileStamp::ClockBlurNs - since) / 1000000 + 100;
    m_confirm.start(
        static_cast<int>(std::min<qint64>(wait, FileStamp::ClockBlurNs / 1000000 + 100)));
}

void FileGuard::confirm() {
    if (!m_stamp)
        return;
    const FileStamp known = *m_stamp;
    const QString path = m_path;
    const quint64 generation = m_generation;
    QPointer<FileGuard> self(this);
    m_worker.post(ConfirmPurpose, [=](const std::atomic<bool>& stop) {
        const auto now = FileStamp::of(path);
        std::optional<quint64> hash;
        if (now && now->sameMetadata(known))
            hash = FileStamp::hashOf(path, &stop);
        if (stop.load())
            return;
        const bool same = hash && known.hash && *hash == *known.hash && now && !now->racy();
        const qint64 at = now ? now->takenNs : 0;
        Worker::deliver(self, [self, generation, same, at] {
            if (!self || generation != self->m_generation || !self->m_stamp)
                return;
            if (same)
                self->m_stamp->takenNs = at; // the times alone tell from now on
            else
                Q_EMIT self->changed();
        });
    });
}
