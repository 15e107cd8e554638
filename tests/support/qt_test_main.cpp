// gtest entry point for tests that need a Qt event loop.
#include "platform/exit_settle.h"

#include <gtest/gtest.h>

#include <cstdlib>

#ifdef LUMIVEX_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    lumivex::settleThreadsAtExit();
    // Widget tests never need a display; a caller may still choose xcb.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TestApplication app(argc, argv);
    TestApplication::setApplicationName("Lumivex");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
