#include "TestEnvironment.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

// The core's objects talk through Qt's event loop (timers, the signal pipe, the recovery copy's
// thread): the tests run with one, and with no display.
int main(int argc, char* argv[]) {
    useTestEnvironment(argv[0]);
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
