#include "Profile.h"

#include "PathParts.h"

#include <QSettings>

namespace {
const QString LastFileKey = QStringLiteral("Settings/Last File");
const QString WindowPosKey = QStringLiteral("Settings/MainWindowPos");
const QString RecentKey = QStringLiteral("Settings/Recent Files");

// Paths are kept as text; the bytes of a name that are not UTF-8 (see FileNames) are kept
// as %XX, and '%' itself as %25, so every name comes back exactly.
QString storedPath(const QString& path) {
    QString out;
    for (QChar c : path) {
        if (c == u'%')
            out += QStringLiteral("%25");
        else if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
            out += u'%' + QString::number(c.unicode() - 0xDC00, 16).toUpper();
        else
            out += c;
    }
    return out;
}

QString pathFromStore(const QString& stored) {
    QString out;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        bool hex = false;
        const int b = i + 2 < stored.size() && stored[i] == u'%'
                          ? QStringView(stored).mid(i + 1, 2).toInt(&hex, 16)
                          : 0;
        if (hex) {
            out += b == 0x25 ? QChar(u'%') : QChar(static_cast<char16_t>(0xDC00 + b));
            i += 2;
        } else {
            out += stored[i];
        }
    }
    return out;
}
} // namespace

Profile::Profile(QSettings& settings)
    : m_settings(settings) {}

QString Profile::lastFile() const {
    return m_settings.value(LastFileKey).toString();
}

void Profile::setLastFile(const QString& path) {
    m_settings.setValue(LastFileKey, path);
}

QString Profile::mainWindowPos() const {
    return m_settings.value(WindowPosKey).toString();
}

void Profile::setMainWindowPos(const QString& value) {
    m_settings.setValue(WindowPosKey, value);
}

QString Profile::initialFolder() const {
    const QString path = lastFile();
    const qsizetype cut = PathParts::lastSeparator(path);
    // "/x.qrx" starts in the root folder, as "D:\x.qrx" starts in "D:".
    if (cut < 0)
        return {};
    return cut == 0 ? QStringLiteral("/") : path.left(cut);
}

QStringList Profile::recentFiles() const {
    QStringList out;
    for (const QString& stored : m_settings.value(RecentKey).toStringList()) {
        if (!stored.isEmpty() && out.size() < MaxRecentFiles)
            out << pathFromStore(stored);
    }
    return out;
}

void Profile::addRecentFile(const QString& path) {
    QStringList list = recentFiles();
    list.removeAll(path);
    list.prepend(path);
    QStringList stored;
    for (qsizetype i = 0; i < list.size() && i < MaxRecentFiles; ++i)
        stored << storedPath(list[i]);
    m_settings.setValue(RecentKey, stored);
}

void Profile::removeRecentFile(const QString& path) {
    QStringList stored;
    for (const QString& p : recentFiles()) {
        if (p != path)
            stored << storedPath(p);
    }
    m_settings.setValue(RecentKey, stored);
}

FileDialogRequest fileDialogRequest(FileDialogRequest::Kind kind, const QString& title,
                                    const QString& description, const QString& suffix,
                                    const Profile& profile, const QString& initialName) {
    FileDialogRequest r;
    r.kind = kind;
    r.title = title;
    r.filter = QStringLiteral("%1 (*.%2) |*.%2||").arg(description, suffix);
    r.defaultSuffix = suffix;
    r.initialName = initialName;
    r.initialFolder = profile.initialFolder();
    r.overwritePrompt = kind == FileDialogRequest::Kind::Save;
    return r;
}
