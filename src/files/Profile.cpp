#include "Profile.h"

#include "FileNames.h"
#include "PathParts.h"

#include <QSettings>
#include <QStandardPaths>

namespace {
const QString LastFileKey = QStringLiteral("Settings/Last File");
const QString WindowPosKey = QStringLiteral("Settings/MainWindowPos");
const QString RecentKey = QStringLiteral("Settings/Recent Files");
// "1251 /path/deck.qrx", most recent first, the path kept as Recent Files keeps it.
const QString CharacterSetsKey = QStringLiteral("Settings/Character Sets");
constexpr int MaxCharacterSets = 200;
const QString RecoveryPlacesKey = QStringLiteral("Settings/Recovery Copies Elsewhere");

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
    for (const QString& path : {m_openDeckPath ? m_openDeckPath() : QString(), lastFile()}) {
        const qsizetype cut = PathParts::lastSeparator(path);
        // "/x.qrx" starts in the root folder, as "D:\x.qrx" starts in "D:".
        if (cut >= 0)
            return cut == 0 ? QStringLiteral("/") : path.left(cut);
    }
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QStringList Profile::recentFiles() const {
    QStringList out;
    for (const QString& stored : m_settings.value(RecentKey).toStringList()) {
        if (!stored.isEmpty() && out.size() < MaxRecentFiles)
            out << FileNames::fromStored(stored);
    }
    return out;
}

void Profile::addRecentFile(const QString& path) {
    QStringList list = recentFiles();
    list.removeAll(path);
    list.prepend(path);
    QStringList stored;
    for (qsizetype i = 0; i < list.size() && i < MaxRecentFiles; ++i)
        stored << FileNames::toStored(list[i]);
    m_settings.setValue(RecentKey, stored);
}

void Profile::removeRecentFile(const QString& path) {
    QStringList stored;
    for (const QString& p : recentFiles()) {
        if (p != path)
            stored << FileNames::toStored(p);
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

QStringList Profile::recoveryPlaces() const {
    QStringList out;
    for (const QString& stored : m_settings.value(RecoveryPlacesKey).toStringList())
        out << FileNames::fromStored(stored);
    return out;
}

void Profile::addRecoveryPlace(const QString& folder) {
    QStringList stored = m_settings.value(RecoveryPlacesKey).toStringList();
    if (!stored.contains(FileNames::toStored(folder))) {
        stored << FileNames::toStored(folder);
        m_settings.setValue(RecoveryPlacesKey, stored);
    }
}

void Profile::removeRecoveryPlace(const QString& folder) {
    QStringList stored = m_settings.value(RecoveryPlacesKey).toStringList();
    if (stored.removeAll(FileNames::toStored(folder)) > 0)
        m_settings.setValue(RecoveryPlacesKey, stored);
}

int Profile::characterSetOf(const QString& path) const {
    const QString file = FileNames::target(path);
    for (const QString& entry : m_settings.value(CharacterSetsKey).toStringList()) {
        if (FileNames::fromStored(entry.section(u' ', 1)) == file)
            return entry.section(u' ', 0, 0).toInt();
    }
    return 0;
}

void Profile::setCharacterSetOf(const QString& path, int codePage) {
    const QString stored = FileNames::toStored(FileNames::target(path));
    QStringList entries{QString::number(codePage) + u' ' + stored};
    for (const QString& entry : m_settings.value(CharacterSetsKey).toStringList()) {
        if (entry.section(u' ', 1) != stored && entries.size() < MaxCharacterSets)
            entries << entry;
    }
    if (entries != m_settings.value(CharacterSetsKey).toStringList())
        m_settings.setValue(CharacterSetsKey, entries);
}
