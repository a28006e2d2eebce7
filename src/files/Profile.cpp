#include "Profile.h"

#include "PathParts.h"

#include <QSettings>

namespace {
const QString LastFileKey = QStringLiteral("Settings/Last File");
const QString WindowPosKey = QStringLiteral("Settings/MainWindowPos");
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

FileDialogRequest fileDialogRequest(FileDialogRequest::Kind kind, const QString& description,
                                    const QString& suffix, const Profile& profile) {
    FileDialogRequest r;
    r.kind = kind;
    r.filter = QStringLiteral("%1 (*.%2) |*.%2||").arg(description, suffix);
    r.defaultSuffix = suffix;
    r.initialName = QStringLiteral("*.") + suffix;
    r.initialFolder = profile.initialFolder();
    r.overwritePrompt = kind == FileDialogRequest::Kind::Save;
    return r;
}
