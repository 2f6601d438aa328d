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

    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    quendal::test::failTestsOnModelTesterComplaints();
    return RUN_ALL_TESTS();
}
