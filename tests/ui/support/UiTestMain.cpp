#include "support/TestEnvironment.h"

#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

// Widget tests run on the offscreen platform: no display is needed.
int main(int argc, char* argv[]) {
    useTestEnvironment(argv[0]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorix"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
