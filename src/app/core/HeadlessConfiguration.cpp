#include "app/core/HeadlessConfiguration.h"

#include "app/core/ConfigurationFile.h"
#include "app/core/HeadlessOutput.h"
#include "app/core/ReplayTarget.h"
#include "app/core/Settings.h"
#include "app/core/SettingsStore.h"
#include "common/core/SocketAddress.h"
#include "transport/core/TlsServerFiles.h"

#include <QDir>
#include <QFileInfo>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

// Why log files cannot be written in `folder`, naming the folder; empty when they can.
QString logFolderProblem(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return u"log folder "_s + folder + u" does not exist"_s;
    if (!info.isDir())
        return u"log folder "_s + folder + u" is not a folder"_s;
    QString error;
    if (!canAppendToLogFolder(folder, &error))
        return u"cannot write log files in folder "_s + folder + u": "_s + error;
    return {};
}

QString defaultLogFolder()
{
    if (const auto stored = SettingsStore().logPath(); stored && !stored->isEmpty())
        return *stored;
    return QDir::currentPath();
}

// TCP and TLS; what is wrong with them, or empty. The certificate files are read here, so that
// --check-config and a reload find them unusable before any start.
QString applyStreamOptions(const HeadlessOptions& options, ReceptionSettings& settings)
{
    settings.tcpPort = options.tcpPort;
    settings.tlsPort = options.tlsPort;
    settings.streamLimits = {options.maxMessageSize, options.maxConnections,
                             qint64(options.tcpIdleTimeout) * 1000};
    if (!options.tlsPort)
        return {};
    if (!options.tlsCert || !options.tlsKey)
        return u"tls-port needs tls-cert and tls-key"_s;
    settings.tlsCertificate = *options.tlsCert;
    settings.tlsKey = *options.tlsKey;
    settings.tlsClientCa = options.tlsClientCa.value_or(QString());
    QString why;
    if (!readTlsServerConfiguration(settings.tlsCertificate, settings.tlsKey, settings.tlsClientCa,
                                    &why))
        return u"cannot receive over TLS: "_s + why;
    return {};
}

} // namespace

ConfigurationSource configurationSource(const QStringList& arguments, const HeadlessOptions& parsed,
                                        bool defaultFileApplies)
{
    ConfigurationSource source;
    source.arguments = arguments;
    if (parsed.configFile) {
        source.file = *parsed.configFile;
    } else if (defaultFileApplies) {
        source.file = QString(kDefaultConfigurationFile);
        source.fileMayBeMissing = true;
    }
    return source;
}

std::optional<HeadlessOptions> loadHeadlessOptions(const ConfigurationSource& source,
                                                   QStringList* problems)
{
    HeadlessOptions fromFile;
    if (source.file && !(source.fileMayBeMissing && !QFileInfo::exists(*source.file)))
        readConfigurationFile(*source.file, fromFile, problems);
    QString error;
    auto options = parseHeadlessOptions(source.arguments, &error, fromFile);
    if (!options)
        *problems << error;
    if (!problems->isEmpty())
        return std::nullopt;
    return options;
}

std::optional<ReceptionSettings> receptionSettingsFor(const HeadlessOptions& options,
                                                      QString* problem)
{
    const auto fail = [&](const QString& reason) -> std::optional<ReceptionSettings> {
        *problem = reason;
        return std::nullopt;
    };
    ReceptionSettings settings;
    if (options.replayAddress) {
        if (const QString why = replayTargetProblem(*options.replayAddress, options.replayPort);
            !why.isEmpty())
            return fail(u"cannot forward to "_s +
                        addressWithPort(*options.replayAddress, options.replayPort) + u": "_s +
                        why);
        settings.replay = ReplayTarget{*options.replayAddress, options.replayPort};
    }
    if (options.listen) {
        const auto listen = normalizedHostAddress(*options.listen);
        if (!listen) {
            QByteArray shown;
            appendEscaped(shown, options.listen->toUtf8());
            return fail(u"cannot receive on "_s + QString::fromUtf8(shown) +
                        u": not an IPv4 or IPv6 address"_s);
        }
        // An interface of the scope that this machine does not have is found before any bind.
        if (QString why; !SocketAddress::fromText(*listen, options.port, &why))
            return fail(u"cannot receive on "_s + addressWithPort(*listen, options.port) + u": "_s +
                        why);
        settings.listenAddress = *listen;
    }
    settings.folder = options.logDir.value_or(defaultLogFolder());
    if (const QString why = logFolderProblem(settings.folder); !why.isEmpty())
        return fail(why);
    std::optional<ForwardSettings> forward =
        forwardSettingsFor(options.forward, settings.folder, problem);
    if (!forward)
        return std::nullopt;
    settings.forward = std::move(*forward);
    settings.port = options.port;
    settings.selectedHost = options.host;
    settings.allow = options.allow;
    settings.rateLimit = options.rateLimit;
    settings.maxSenders = options.maxSenders;
    if (const QString why = applyStreamOptions(options, settings); !why.isEmpty())
        return fail(why);
    return settings;
}

} // namespace quendal
