#pragma once

#include "FileStamp.h"
#include "FileWatch.h"

#include <QObject>
#include <QTimer>

#include <optional>

class Worker;

// What Quorix knows about the deck's file on disk: what it was when last read or written (its
// stamp, with the hash of its bytes), and a watch on it. It tells whether another program has
// changed the file since, and says so by a signal when something happens there.
//
// A stamp taken so soon after the file's last change that another change could leave its times
// as they are is confirmed a few seconds later, by its bytes, on the worker: from then on its
// times alone can tell.
class FileGuard : public QObject {
    Q_OBJECT
public:
    explicit FileGuard(Worker& worker, QObject* parent = nullptr);
    ~FileGuard() override;

    // The deck now belongs to the file at path, which was as the stamp says. An empty path, or
    // no stamp: nothing is watched (an untitled deck, or a card file, which is never written).
    void follow(const QString& path, std::optional<FileStamp> stamp);
    const QString& path() const { return m_path; }
    const std::optional<FileStamp>& stamp() const { return m_stamp; }

    // Whether the file is still what it was (Unchanged while nothing is followed). Reads the
    // file's bytes where its times cannot tell.
    FileState check() const;

Q_SIGNALS:
    // Something happened at the file or in its folder, or its bytes are found to differ.
    void changed();

private:
    void confirmLater();
    void confirm();

    Worker& m_worker;
    FileWatch m_watch;
    QTimer m_confirm;
    QString m_path;
    std::optional<FileStamp> m_stamp;
    quint64 m_generation = 0;
};
