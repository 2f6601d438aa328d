#include "support/TestCertificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace quendal::test {
namespace {

class OpenSsl
{
public:
    OpenSsl(const QString& folder, QString* error) : folder_(folder), error_(error) {}

    QString path(const QString& name) const { return QDir(folder_).filePath(name); }

    bool run(const QStringList& arguments)
    {
        QProcess openssl;
        openssl.setWorkingDirectory(folder_);
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), arguments);
        if (openssl.waitForFinished(30'000) && openssl.exitStatus() == QProcess::NormalExit &&
            openssl.exitCode() == 0)
            return true;
        if (error_)
            *error_ = QStringLiteral("openssl %1: %2 %3")
                          .arg(arguments.join(u' '), openssl.errorString(),
                               QString::fromLocal8Bit(openssl.readAll()));
        return false;
    }

    bool key(const QString& name)
    {
        return run({QStringLiteral("ecparam"), QStringLiteral("-genkey"), QStringLiteral("-name"),
                    QStringLiteral("prime256v1"), QStringLiteral("-noout"), QStringLiteral("-out"),
                    path(name)});
    }

    // A self-signed CA certificate `name`.pem with its key `name`.key.
    bool authority(const QString& name, const QString& commonName)
    {
        return key(name + u".key"_s) &&
               run({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-new"),
                    QStringLiteral("-key"), path(name + u".key"_s), QStringLiteral("-out"),
                    path(name + u".pem"_s), QStringLiteral("-days"), QStringLiteral("3650"),
                    QStringLiteral("-subj"), u"/CN="_s + commonName, QStringLiteral("-addext"),
                    QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                    QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")});
    }

    // A certificate `name`.pem with its key `name`.key, signed by the CA `ca`.
    bool leaf(const QString& name, const QString& commonName, const QString& ca,
              const QByteArray& extensions)
    {
        QFile ext(path(name + u".ext"_s));
        if (!ext.open(QIODevice::WriteOnly) || ext.write(extensions) != extensions.size())
            return false;
        ext.close();
        return key(name + u".key"_s) &&
               run({QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-key"),
                    path(name + u".key"_s), QStringLiteral("-out"), path(name + u".csr"_s),
                    QStringLiteral("-subj"), u"/CN="_s + commonName}) &&
               run({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                    path(name + u".csr"_s), QStringLiteral("-CA"), path(ca + u".pem"_s),
                    QStringLiteral("-CAkey"), path(ca + u".key"_s), QStringLiteral("-set_serial"),
                    QString::number(++serial_), QStringLiteral("-days"), QStringLiteral("3650"),
                    QStringLiteral("-extfile"), ext.fileName(), QStringLiteral("-out"),
                    path(name + u".pem"_s)});
    }

private:
    QString folder_;
    QString* error_;
    int serial_ = 1000;
};

} // namespace

std::optional<TestCertificates> makeTestCertificates(const QString& folder, QString* error)
{
    OpenSsl openssl(folder, error);
    const QByteArray server = "basicConstraints=CA:FALSE\n"
                              "keyUsage=critical,digitalSignature,keyEncipherment\n"
                              "extendedKeyUsage=serverAuth\n"
                              "subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1\n";
    const QByteArray client = "basicConstraints=CA:FALSE\n"
                              "keyUsage=critical,digitalSignature,keyEncipherment\n"
                              "extendedKeyUsage=clientAuth,serverAuth\n"
                              "subjectAltName=DNS:client.localhost\n";
    if (!QDir().mkpath(folder) || !openssl.authority(u"ca"_s, u"Test CA"_s) ||
        !openssl.leaf(u"server"_s, u"localhost"_s, u"ca"_s, server) ||
        !openssl.leaf(u"client"_s, u"client.localhost"_s, u"ca"_s, client) ||
        !openssl.authority(u"stranger-ca"_s, u"Stranger CA"_s) ||
        !openssl.leaf(u"stranger"_s, u"client.localhost"_s, u"stranger-ca"_s, client))
        return std::nullopt;
    return TestCertificates{openssl.path(u"ca.pem"_s),          openssl.path(u"ca.key"_s),
                            openssl.path(u"server.pem"_s),      openssl.path(u"server.key"_s),
                            openssl.path(u"client.pem"_s),      openssl.path(u"client.key"_s),
                            openssl.path(u"stranger-ca.pem"_s), openssl.path(u"stranger.pem"_s),
                            openssl.path(u"stranger.key"_s)};
}

} // namespace quendal::test
