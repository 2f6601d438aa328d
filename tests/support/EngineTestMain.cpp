#include "netinfo/core/RouterSearch.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Keep every test away from the user's own settings.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());

    // Every router search of the tests stays on this machine: a window or page built without a
    // target of its own sends to the discard port on loopback, never to the broadcast address.
    quendal::setDefaultRouterSearchTarget(QHostAddress(QHostAddress::LocalHost), 9);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    quendal::test::failTestsOnModelTesterComplaints();
    return RUN_ALL_TESTS();
}
