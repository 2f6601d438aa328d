#include "app/core/PortSettingsForm.h"
#include "app/core/SettingsStore.h"
#include "support/TestCertificates.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quendal {
namespace {

TEST(StreamPortSettings, PortsAndUsableCertificateFilesAreTakenStoredAndShownAgain)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(u"settings.conf"_s));
    const QString logs = dir.filePath(u"logs"_s);
    ASSERT_TRUE(QDir().mkpath(logs));
    QString error;
    const auto tls = test::makeTestCertificates(dir.filePath(u"tls"_s), &error);
    ASSERT_TRUE(tls) << error.toStdString();

    ReceiverSettings settings;
    PortSettingsFields fields = openPortSettings(settings, store, logs);
    EXPECT_TRUE(fields.tcpPort.isEmpty()); // off until chosen
    fields.tcpPort = u"70000"_s;
    EXPECT_EQ(acceptPortSettings(fields, settings, store).rejected, PortSettingsField::TcpPort);
    fields.tcpPort = u"5514"_s;
    fields.tlsPort = u"6514"_s;
    fields.tlsCertificate = tls->serverCertificate;
    fields.tlsKey = dir.filePath(u"missing.key"_s);
    const PortSettingsOutcome refused = acceptPortSettings(fields, settings, store);
    EXPECT_EQ(refused.rejected, PortSettingsField::TlsCertificate);
    EXPECT_TRUE(refused.reason.contains(u"missing.key"_s)) << refused.reason.toStdString();
    EXPECT_EQ(settings.TlsPort, 0);

    fields.tlsKey = tls->serverKey;
    ASSERT_TRUE(acceptPortSettings(fields, settings, store).accepted);
    EXPECT_EQ(settings.TcpPort, 5514);
    EXPECT_EQ(settings.TlsPort, 6514);
    EXPECT_EQ(settings.TlsKey, tls->serverKey);
    ReceiverSettings next;
    const PortSettingsFields again = openPortSettings(next, store, logs);
    EXPECT_EQ(again.tlsPort, u"6514"_s);
    EXPECT_EQ(again.tlsCertificate, tls->serverCertificate);
}

} // namespace
} // namespace quendal
