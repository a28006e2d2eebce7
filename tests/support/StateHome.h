#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// An environment variable of one test (the state folder, the home folder), given back as it
// was afterwards.
class StateHome {
public:
    explicit StateHome(const QString& path, const char* variable = "XDG_STATE_HOME")
        : m_variable(variable)
        , m_was(qgetenv(variable)) {
        qputenv(variable, QFile::encodeName(path));
    }
    ~StateHome() { qputenv(m_variable, m_was); }
    StateHome(const StateHome&) = delete;
    StateHome& operator=(const StateHome&) = delete;

private:
    const char* m_variable;
    QByteArray m_was;
};
