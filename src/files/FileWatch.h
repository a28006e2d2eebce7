#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

// Watches a file and the folder it lies in, and says so a moment after anything changed
// there: sync tools replace a file by renaming a new one over it, which a watch on the file
// alone would miss.
class FileWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int SettleMs = 300;

    explicit FileWatch(QObject* parent = nullptr);
    // Empty: nothing.
    void watch(const QString& path);
    const QString& path() const { return m_path; }

Q_SIGNALS:
    void changed();

private:
    void onEvent();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_path;
};
