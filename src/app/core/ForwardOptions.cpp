#include "app/core/ForwardOptions.h"

#include "app/core/HeadlessOptions.h"
#include "app/core/HeadlessSettings.h"
#include "common/core/AddressText.h"
#include "transport/core/TlsFiles.h"

#include <QDir>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

std::optional<ForwardFormat> parseFormat(const QString& v)
{
    if (v == u"rfc5424"_s)
        return ForwardFormat::Rfc5424;
    if (v == u"as-received"_s)
        return ForwardFormat::AsReceived;
    return std::nullopt;
}

const QString kFormatNeeded = u"rfc5424 or as-received"_s;

QString storeUrl(ForwardEntry& entry, const QString& v)
{
    QString error;
    entry.url = parseForwardUrl(v, &error);
    return entry.url ? QString() : error;
}

QString storeMb(std::optional<int>& into, const QString& v)
{
    const auto mb = parseBoundedDecimal(v, kMaxQueueMb);
    if (v.isEmpty() || !mb || *mb < 1)
        return QStringLiteral("a size in MiB from 1 to %1").arg(kMaxQueueMb);
    into = *mb;
    return {};
}

QString storeFile(std::optional<QString>& into, const QString& v)
{
    if (v.isEmpty())
        return u"a file"_s;
    into = v;
    return {};
}

} // namespace

QString storeForwardSectionValue(ForwardEntry& entry, const QString& key, const QString& value)
{
    if (key == u"url"_s)
        return storeUrl(entry, value);
    if (key == u"format"_s) {
        entry.format = parseFormat(value);
        return entry.format ? QString() : kFormatNeeded;
    }
    if (key == u"ca"_s)
        return storeFile(entry.ca, value);
    if (key == u"cert"_s)
        return storeFile(entry.cert, value);
    if (key == u"key"_s)
        return storeFile(entry.key, value);
    if (key == u"queue-max-mb"_s)
        return storeMb(entry.queueMaxMb, value);
    return u"unknown"_s;
}

QString storeForward(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    ForwardEntry entry;
    if (QString needed = storeUrl(entry, v); !needed.isEmpty())
        return needed;
    entry.name = entry.url->text();
    o.forward.targets.push_back(std::move(entry));
    return {};
}

QString storeForwardCa(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    return storeFile(o.forward.ca, v);
}

QString storeForwardCert(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    return storeFile(o.forward.cert, v);
}

QString storeForwardKey(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    return storeFile(o.forward.key, v);
}

QString storeForwardFormat(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    const auto format = parseFormat(v);
    if (!format)
        return kFormatNeeded;
    o.forward.format = *format;
    return {};
}

QString storeQueueDir(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    return storeFile(o.forward.queueDir, v).isEmpty() ? QString() : u"a folder"_s;
}

QString storeQueueMaxMb(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    std::optional<int> mb;
    if (QString needed = storeMb(mb, v); !needed.isEmpty())
        return needed;
    o.forward.queueMaxMb = *mb;
    return {};
}

QString storeQueueSync(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    if (v == u"interval"_s)
        o.forward.sync = DiskQueueOptions::Sync::Interval;
    else if (v == u"every-batch"_s)
        o.forward.sync = DiskQueueOptions::Sync::EveryBatch;
    else if (v == u"never"_s)
        o.forward.sync = DiskQueueOptions::Sync::Never;
    else
        return u"interval, every-batch or never"_s;
    return {};
}

std::optional<ForwardSettings> forwardSettingsFor(const ForwardOptions& options,
                                                  const QString& logFolder, QString* problem)
{
    ForwardSettings settings;
    settings.sync = options.sync;
    if (options.queueDir) {
        settings.queueFolder = *options.queueDir;
    } else if (const QString state = qEnvironmentVariable("STATE_DIRECTORY"); !state.isEmpty()) {
        // systemd's StateDirectory=, the first of them when there are several.
        settings.queueFolder = QDir(state.section(u':', 0, 0)).filePath(u"queue"_s);
    } else {
        settings.queueFolder = QDir(logFolder).filePath(u"queue"_s);
    }
    for (const ForwardEntry& entry : options.targets) {
        const auto fail = [&](const QString& why) -> std::optional<ForwardSettings> {
            *problem = u"cannot forward to "_s + shownOnOneLine(entry.name) + u": "_s + why;
            return std::nullopt;
        };
        if (!entry.url)
            return fail(u"its section has no url"_s);
        ForwardTarget target;
        target.name = entry.name;
        target.url = *entry.url;
        target.format = entry.format.value_or(options.format);
        target.queueMaxBytes = qint64(entry.queueMaxMb.value_or(options.queueMaxMb)) * 1024 * 1024;
        if (target.url.scheme == ForwardScheme::Tls) {
            target.caFile = entry.ca.value_or(options.ca.value_or(QString()));
            target.certFile = entry.cert.value_or(options.cert.value_or(QString()));
            target.keyFile = entry.key.value_or(options.key.value_or(QString()));
            QString error;
            if (!target.caFile.isEmpty() && !readCaCertificates(target.caFile, &error))
                return fail(error);
            if (target.certFile.isEmpty() != target.keyFile.isEmpty())
                return fail(u"a client certificate needs both a cert and a key file"_s);
            if (!target.certFile.isEmpty() &&
                !readTlsIdentity(target.certFile, target.keyFile, &error))
                return fail(error);
        }
        for (const ForwardTarget& other : settings.targets)
            if (queueFolderName(other.name) == queueFolderName(target.name))
                return fail(u"another target has the same name"_s);
        settings.targets.push_back(std::move(target));
    }
    return settings;
}

} // namespace quendal
