#include "app/core/SingleInstanceLock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quendal;

TEST(SingleInstanceLock, SecondHolderIsRefusedUntilTheFirstLetsGo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QuendalSysLog.lock"));
    SingleInstanceLock first(path);
    SingleInstanceLock second(path);

    EXPECT_EQ(first.tryLock(), SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(second.tryLock(), SingleInstanceLock::Result::HeldElsewhere);
    EXPECT_FALSE(second.isLocked());

    first.unlock();
    EXPECT_EQ(second.tryLock(), SingleInstanceLock::Result::Acquired);
}

TEST(SingleInstanceLock, AnUnusableLockFileIsReportedNotMistakenForAnotherInstance)
{
    QTemporaryDir dir;
    SingleInstanceLock lock(dir.filePath(QStringLiteral("missing/QuendalSysLog.lock")));
    QString error;
    EXPECT_EQ(lock.tryLock(&error), SingleInstanceLock::Result::Unavailable);
    EXPECT_TRUE(error.contains(QStringLiteral("missing")));
}

TEST(SingleInstanceLock, DefaultPathLiesInTheRuntimeFolder)
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    EXPECT_EQ(SingleInstanceLock::defaultPath(),
              dir.filePath(QStringLiteral("QuendalSysLog.lock")));
    qputenv("XDG_RUNTIME_DIR", saved);
}
