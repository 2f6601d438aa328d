// The status bar tells the datagrams dropped for their senders: not allowed, or over their rate
// limit, naming the latest sender told.
#include "app/gui/StatusCounters.h"
#include "common/core/AddressPrefix.h"
#include "common/core/UiText.h"
#include "receiver/core/ReceptionEngine.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace quendal {
namespace {

TEST(StatusCountersSenders, NotAllowedAndOverRateShowOnceThereAreAny)
{
    LoadUiText();
    ReceptionEngine engine;
    StatusCounters counters;
    counters.follow(&engine);
    ReceptionSettings settings;
    settings.port = 0;
    settings.listenAddress = QStringLiteral("127.0.0.1");
    settings.allow = *parseAddressPrefixes(u"127.0.0.1");
    settings.rateLimit = 1; // a burst of 3
    QString error;
    ASSERT_TRUE(engine.start(settings, &error)) << qPrintable(error);
    EXPECT_FALSE(counters.text().contains(u"not allowed"));
    EXPECT_FALSE(counters.text().contains(u"rate"));

    test::LoopbackPeer allowed;
    test::LoopbackPeer other(QHostAddress(QStringLiteral("127.0.0.2")));
    other.sendTo(engine.localPort(), "<134>Mar 14 09:26:53 gw: not allowed");
    for (int i = 0; i < 10; ++i)
        allowed.sendTo(engine.localPort(), "<134>Mar 14 09:26:53 gw: " + QByteArray::number(i));
    EXPECT_TRUE(test::waitUntil([&] {
        return counters.text().contains(u"from senders not allowed: 1") &&
               counters.text().contains(u"over rate limits: 7") &&
               counters.text().contains(u"from 127.0.0.1 over its rate limit");
    })) << counters.text().toStdString();
}

} // namespace
} // namespace quendal
