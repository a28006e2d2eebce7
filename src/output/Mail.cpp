#include "Mail.h"

#include <QStandardPaths>

bool IsMailAvailable() {
    return !QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty();
}
