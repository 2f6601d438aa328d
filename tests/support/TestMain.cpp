// The main of the test programs. The widget tests (built with QUENDAL_WIDGET_TESTS) run in a
// QApplication drawn off screen with a runtime folder of their own; the engine tests in a
// QCoreApplication.
#include "support/TestSupport.h"

#include <QTemporaryDir>
#ifdef QUENDAL_WIDGET_TESTS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
#ifdef QUENDAL_WIDGET_TESTS
    // The widgets are drawn off screen unless the caller asks for a real display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // A runner started by systemd hands down its own notification socket and descriptors: the
    // receivers the tests start must not report to it or take them for theirs.
    for (const char* name : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID", "LISTEN_FDS",
                             "LISTEN_PID", "LISTEN_FDNAMES"})
        qunsetenv(name);
    // Keep every test away from the user's own settings.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
#ifdef QUENDAL_WIDGET_TESTS
    // And the window away from a running instance's lock.
    QTemporaryDir runtimeDir;
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
#endif

    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    quendal::test::failTestsOnModelTesterComplaints();
    return RUN_ALL_TESTS();
}
