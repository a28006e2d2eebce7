#include "ConflictCopies.h"

#include "FileNames.h"
#include "PathParts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace ConflictCopies {

bool isCopyOf(const QString& name, const QString& deckName) {
    if (name == deckName)
        return false;
    // The name without its extension, and the extension with its dot.
    const qsizetype dot = deckName.lastIndexOf(u'.');
    const QString base = QRegularExpression::escape(dot > 0 ? deckName.left(dot) : deckName);
    const QString ext = QRegularExpression::escape(dot > 0 ? deckName.mid(dot) : QString());
    static const QString Forms[] = {
        // Syncthing: the date, the time and the device that lost.
        QStringLiteral("^%1\\.sync-conflict-\\d{8}-\\d{6}-[A-Za-z0-9]+%2$"),
        // Nextcloud, ownCloud and Dropbox: a note in brackets that says so.
        QStringLiteral("^%1 \\([^()]*conflicted copy[^()]*(\\(\\d+\\))?\\)%2$"),
    };
    for (const QString& form : Forms) {
        if (QRegularExpression(form.arg(base, ext), QRegularExpression::CaseInsensitiveOption)
                .match(name)
                .hasMatch())
            return true;
    }
    return false;
}

QStringList beside(const QString& deckPath) {
    const qsizetype cut = PathParts::lastSeparator(deckPath);
    if (cut < 0)
        return {};
    const QString folder = deckPath.left(cut);
    const QString deckName = PathParts::fileName(deckPath);
    QFileInfoList found;
    for (const QFileInfo& entry :
         QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (isCopyOf(entry.fileName(), deckName))
            found << entry;
    }
    std::sort(found.begin(), found.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.lastModified() < b.lastModified();
    });
    QStringList paths;
    for (const QFileInfo& entry : found)
        paths << folder + u'/' + entry.fileName();
    return paths;
}

bool moveToTrash(const QString& path) {
    // The trash of the home folder is made where it is missing: without it, Qt puts the file
    // in a "files" folder of the working folder, and says it went to the trash.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QString inTrash;
    if (!QFile::moveToTrash(path, &inTrash))
        return false;
    if (QDir::isAbsolutePath(inTrash) && inTrash.contains(QLatin1String("Trash")))
        return true;
    // Not a trash after all: put back, and the folders made for it go if empty.
    const QFileInfo moved(inTrash);
    QDir top = moved.dir();
    top.cdUp();
    QFile::rename(moved.absoluteFilePath(), path);
    QFile::remove(top.absoluteFilePath(QStringLiteral("info/%1.trashinfo").arg(moved.fileName())));
    top.rmdir(QStringLiteral("files"));
    top.rmdir(QStringLiteral("info"));
    return false;
}

} // namespace ConflictCopies
