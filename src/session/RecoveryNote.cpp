#include "RecoveryNote.h"

#include "files/FileNames.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/types.h>
#endif

namespace {

const QString Heading = QStringLiteral("Quorix recovery copy");

// A program by its process id and, where the system tells it, the moment it started: a later
// program that is given the same id is another program. A program that has ended but not yet
// been reaped by its parent (a zombie) counts as ended.
QString programOf(qint64 pid) {
    QString identity = QString::number(pid);
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        // The name in parentheses may hold blanks: the fields are counted after it.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 19 && fields[0] != "Z" && fields[0] != "X")
            identity += u':' + QString::fromLatin1(fields[19]);
    }
#endif
    return identity;
}

} // namespace

QString RecoveryNote::thisProgram() {
    return programOf(QCoreApplication::applicationPid());
}

bool RecoveryNote::isRunning(const QString& program) {
    bool ok = false;
    const qint64 pid = program.section(u':', 0, 0).toLongLong(&ok);
    if (!ok || pid <= 0)
        return false;
#ifdef Q_OS_LINUX
    return programOf(pid) == program;
#elif defined(Q_OS_UNIX)
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#else
    return false;
#endif
}

QString RecoveryNote::toText() const {
    // Paths as stored text: a line break in a name cannot end its line.
    return Heading + u'\n' + QStringLiteral("version=%1\n").arg(Version) +
           QStringLiteral("program=") + program + u'\n' + QStringLiteral("path=") +
           FileNames::toStored(deckPath) + u'\n' + QStringLiteral("imported=%1\n").arg(imported) +
           QStringLiteral("changed=") + lastChange.toUTC().toString(Qt::ISODateWithMs) + u'\n' +
           QStringLiteral("stamp=") + (stamp ? stamp->toText() : QString()) + u'\n' +
           QStringLiteral("codepage=%1\n").arg(codePage);
}

std::optional<RecoveryNote> RecoveryNote::fromText(const QString& text) {
    const QStringList lines = text.split(u'\n');
    QHash<QString, QString> values;
    for (const QString& line : lines.mid(1))
        values.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    bool versionOk = false;
    const int version = values.value(QStringLiteral("version")).toInt(&versionOk);
    RecoveryNote note;
    note.program = values.value(QStringLiteral("program"));
    note.deckPath = FileNames::fromStored(values.value(QStringLiteral("path")));
    note.imported = values.value(QStringLiteral("imported")) == QLatin1String("1");
    note.lastChange =
        QDateTime::fromString(values.value(QStringLiteral("changed")), Qt::ISODateWithMs);
    note.stamp = FileStamp::fromText(values.value(QStringLiteral("stamp")));
    note.codePage = values.value(QStringLiteral("codepage")).toInt();
    if (lines.value(0) != Heading || !versionOk || version > Version || note.program.isEmpty() ||
        !note.lastChange.isValid())
        return std::nullopt;
    // A note of the first version could not tell an imported card file from a deck: work on
    // a file not named as a deck comes back as if imported, so that no such file is ever
    // written over.
    if (version < 2 && !note.deckPath.isEmpty() &&
        !note.deckPath.endsWith(QLatin1String(".qrx"), Qt::CaseInsensitive))
        note.imported = true;
    return note;
}
