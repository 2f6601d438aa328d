#include "app/core/ForwardStore.h"

#include "app/core/ForwardOptions.h"
#include "app/core/SettingsStore.h"

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

const QString kUrls = u"ForwardTargets"_s;
const QString kCa = u"ForwardCaFile"_s;
const QString kCert = u"ForwardCertFile"_s;
const QString kKey = u"ForwardKeyFile"_s;

QString text(const SettingsStore& store, const QString& name)
{
    return store.value(name).value_or(QVariant()).toString();
}

} // namespace

StoredForwarding readStoredForwarding(const SettingsStore& store)
{
    StoredForwarding f;
    f.urls = store.value(kUrls).value_or(QVariant()).toStringList();
    f.caFile = text(store, kCa);
    f.certFile = text(store, kCert);
    f.keyFile = text(store, kKey);
    return f;
}

bool storeForwarding(SettingsStore& store, const StoredForwarding& f)
{
    return store.storeValues(
        {{kUrls, f.urls}, {kCa, f.caFile}, {kCert, f.certFile}, {kKey, f.keyFile}});
}

std::optional<ForwardSettings> forwardSettingsFor(const StoredForwarding& f,
                                                  const QString& logFolder, QString* problem)
{
    ForwardOptions options;
    for (const QString& url : f.urls) {
        ForwardEntry entry;
        QString error;
        entry.url = parseForwardUrl(url, &error);
        if (!entry.url) {
            *problem = u"cannot forward to "_s + url + u": it needs "_s + error;
            return std::nullopt;
        }
        entry.name = entry.url->text();
        options.targets.push_back(std::move(entry));
    }
    if (!f.caFile.isEmpty())
        options.ca = f.caFile;
    if (!f.certFile.isEmpty())
        options.cert = f.certFile;
    if (!f.keyFile.isEmpty())
        options.key = f.keyFile;
    return forwardSettingsFor(options, logFolder, problem);
}

} // namespace quendal
