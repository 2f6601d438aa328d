// The Forwarding section of the settings: what it shows is what it stores, and a collector it
// cannot use is named in the form.
#include "forward/gui/ForwardingSettingsForm.h"

#include "app/core/SettingsStore.h"
#include "forward/core/Forwarder.h"
#include "forward/gui/ForwardStatusLabel.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

TEST(ForwardingSettingsForm, StoresWhatItShowsAndNamesAUrlItCannotUse)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(u"settings.conf"_s));
    ForwardingSettingsForm form;
    form.load(readStoredForwarding(store));
    EXPECT_TRUE(form.forwarding().urls.isEmpty());

    form.urlsEdit()->setPlainText(u" tls://localhost:6514 \n\nudp://[::1]:5514\n"_s);
    form.caEdit()->setText(u"/etc/ca.pem"_s);
    EXPECT_TRUE(form.check(dir.path()).contains(u"/etc/ca.pem"_s)); // no such file
    form.caEdit()->clear();
    EXPECT_EQ(form.check(dir.path()), QString());
    ASSERT_TRUE(storeForwarding(store, form.forwarding()));
    const StoredForwarding stored = readStoredForwarding(store);
    EXPECT_EQ(stored.urls, (QStringList{u"tls://localhost:6514"_s, u"udp://[::1]:5514"_s}));

    form.urlsEdit()->setPlainText(u"collector:514"_s);
    EXPECT_TRUE(form.check(dir.path()).startsWith(u"cannot forward to collector:514"_s));
}

TEST(ForwardingSettingsForm, TheStatusBarShowsEachTargetOnlyWhileThereAreSome)
{
    Forwarder forwarder;
    ForwardStatusLabel label(forwarder);
    label.refresh();
    EXPECT_TRUE(label.isHidden());
    QTemporaryDir dir;
    ForwardSettings settings;
    settings.queueFolder = dir.path();
    settings.targets.emplace_back().url = *parseForwardUrl(u"udp://127.0.0.1:9"_s, nullptr);
    settings.targets[0].name = u"central"_s;
    forwarder.apply(settings);
    label.refresh();
    EXPECT_FALSE(label.isHidden());
    EXPECT_TRUE(label.text().startsWith(u"central: "_s)) << qPrintable(label.text());
}

} // namespace
} // namespace quendal
