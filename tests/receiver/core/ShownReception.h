#pragma once

#include "common/core/UiText.h"
#include "logs/core/LogCategory.h"
#include "logs/core/LogList.h"
#include "receiver/core/HostList.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/ReceptionTestSupport.h"
#include "receiver/core/ReceptionView.h"
#include "receiver/core/WanStatus.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

#include <arpa/inet.h>
#include <array>
#include <functional>
#include <gtest/gtest.h>

namespace quendal::test {

// A reception engine shown the way the window shows it: host list, five lists and status
// values, with the files in a temporary folder. It receives on 127.0.0.1 at a port the system
// chooses unless `settings` say otherwise before start().
class ShownReception : public ::testing::Test
{
protected:
    ShownReception()
    {
        settings.port = 0;
        settings.address = htonl(INADDR_LOOPBACK);
        settings.folder = dir.path();
    }
    // The engine stops before the fixtures built on this one let go of what it calls.
    void TearDown() override { engine.stop(); }

    void start(const std::function<void(ReceptionSettings&)>& adjust = {})
    {
        ReceptionSettings s = settings;
        s.selectedHost = hosts.selectedSender();
        ASSERT_TRUE(startEngine(engine, s, adjust, port));
    }
    bool waitForRead(quint64 count)
    {
        return waitUntil([&] { return engine.counters().read >= count; });
    }

    LogList& list(LogCategory c) { return lists[size_t(categoryIndex(c))]; }
    qsizetype totalRows() const
    {
        qsizetype n = 0;
        for (const LogList& l : lists)
            n += l.size();
        return n;
    }
    QString filePath(LogCategory c, const QString& folder = {}) const
    {
        return autoLogFilePath(folder.isEmpty() ? dir.path() : folder, c);
    }
    QByteArray file(LogCategory c, const QString& folder = {}) const
    {
        return readFile(filePath(c, folder));
    }

    QTemporaryDir dir;
    ReceptionSettings settings;
    HostList hosts{GetUiText(UiTextId::AnyHost)};
    std::array<LogList, kCategoryCount> lists;
    WanStatus wan;
    ReceptionEngine engine;
    ReceptionView view{&engine, &hosts, listPointers(), &wan};
    quint16 port = 0;

private:
    std::array<LogList*, kCategoryCount> listPointers()
    {
        std::array<LogList*, kCategoryCount> out{};
        for (int i = 0; i < kCategoryCount; ++i)
            out[size_t(i)] = &lists[size_t(i)];
        return out;
    }
};

} // namespace quendal::test
