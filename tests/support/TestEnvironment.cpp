#include "TestEnvironment.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

void useTestEnvironment(const char* program) {
    const QByteArray build =
        QFile::encodeName(QFileInfo(QFile::decodeName(program)).absolutePath());
    qputenv("XDG_STATE_HOME", build + "/test-state");
    qputenv("XDG_DATA_HOME", build + "/test-data");
    qputenv("XDG_DATA_DIRS", build + "/test-data");
    qputenv("XDG_RUNTIME_DIR", build + "/test-runtime");
    QDir().mkpath(QFile::decodeName(build + "/test-runtime"));
    QFile::setPermissions(QFile::decodeName(build + "/test-runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("LC_ALL", "C.UTF-8");
}
