#include "FileWatch.h"

#include <QFileInfo>

FileWatch::FileWatch(QObject* parent)
    : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &FileWatch::changed);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileWatch::onEvent);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileWatch::onEvent);
}

void FileWatch::watch(const QString& path) {
    if (path == m_path)
        return;
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_settle.stop();
    m_path = path;
    if (path.isEmpty())
        return;
    m_watcher.addPath(QFileInfo(path).absolutePath());
    m_watcher.addPath(path);
}

void FileWatch::onEvent() {
    // A file renamed over the old one is a new file: the watch follows the name.
    if (!m_path.isEmpty() && !m_watcher.files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
    m_settle.start();
}
