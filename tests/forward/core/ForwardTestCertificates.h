#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace quendal::test {

// A CA, a collector certificate for localhost signed by it, and one signed by a stranger.
class Certificates
{
public:
    Certificates()
    {
        ok = makeCa(QStringLiteral("ca")) && makeCa(QStringLiteral("stranger")) &&
             makeServer(QStringLiteral("server"), QStringLiteral("ca")) &&
             makeServer(QStringLiteral("rogue"), QStringLiteral("stranger"));
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    bool ok = false;

private:
    bool run(const QStringList& arguments)
    {
        QProcess openssl;
        openssl.setWorkingDirectory(dir.path());
        openssl.start(QStringLiteral("openssl"), arguments);
        return openssl.waitForFinished(30'000) && openssl.exitCode() == 0;
    }
    bool makeCa(const QString& name)
    {
        return run({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                    QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                    QStringLiteral("ec_paramgen_curve:P-256"), QStringLiteral("-nodes"),
                    QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                    QStringLiteral("/CN=") + name, QStringLiteral("-keyout"),
                    name + QStringLiteral(".key"), QStringLiteral("-out"),
                    name + QStringLiteral(".pem")});
    }
    bool makeServer(const QString& name, const QString& ca)
    {
        QFile extensions(dir.filePath(name + QStringLiteral(".ext")));
        if (!extensions.open(QIODevice::WriteOnly) ||
            extensions.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n") < 0)
            return false;
        extensions.close();
        return run({QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                    QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:P-256"),
                    QStringLiteral("-nodes"), QStringLiteral("-subj"),
                    QStringLiteral("/CN=localhost"), QStringLiteral("-keyout"),
                    name + QStringLiteral(".key"), QStringLiteral("-out"),
                    name + QStringLiteral(".csr")}) &&
               run({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                    name + QStringLiteral(".csr"), QStringLiteral("-CA"),
                    ca + QStringLiteral(".pem"), QStringLiteral("-CAkey"),
                    ca + QStringLiteral(".key"), QStringLiteral("-CAcreateserial"),
                    QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                    name + QStringLiteral(".ext"), QStringLiteral("-out"),
                    name + QStringLiteral(".pem")});
    }
    QTemporaryDir dir;
};

} // namespace quendal::test
