#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A stand-in xdg-email first on the search path: it records its arguments, copies the file it
// is asked to attach, and exits with the status a test chooses.
class FakeMailer {
public:
    FakeMailer()
        : m_oldPath(qgetenv("PATH")) {
        const QString script = m_dir.filePath(QStringLiteral("bin/xdg-email"));
        QDir().mkpath(m_dir.filePath(QStringLiteral("bin")));
        QFile f(script);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n"
                "printf '%s\\0' \"$@\" > \"$FAKE_MAIL_LOG\"\n"
                "while [ $# -gt 0 ]; do\n"
                "  if [ \"$1\" = --attach ]; then cp \"$2\" \"$FAKE_MAIL_COPY\"; fi\n"
                "  shift\n"
                "done\n"
                "exit \"${FAKE_MAIL_EXIT:-0}\"\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        qputenv("FAKE_MAIL_LOG", m_dir.filePath(QStringLiteral("args")).toLocal8Bit());
        qputenv("FAKE_MAIL_COPY", m_dir.filePath(QStringLiteral("attachment")).toLocal8Bit());
        qputenv("FAKE_MAIL_EXIT", "0");
        qputenv("PATH", m_dir.filePath(QStringLiteral("bin")).toLocal8Bit() + ':' + m_oldPath);
    }
    ~FakeMailer() {
        qputenv("PATH", m_oldPath);
        qunsetenv("FAKE_MAIL_EXIT");
    }

    void exitWith(int status) { qputenv("FAKE_MAIL_EXIT", QByteArray::number(status)); }
    // No xdg-email anywhere on the search path.
    void hide() { qputenv("PATH", m_dir.filePath(QStringLiteral("empty")).toLocal8Bit()); }

    QStringList arguments() const {
        QFile f(m_dir.filePath(QStringLiteral("args")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList out = QString::fromUtf8(f.readAll()).split(QChar(0));
        out.removeLast();
        return out;
    }
    QByteArray attachment() const {
        QFile f(m_dir.filePath(QStringLiteral("attachment")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};
