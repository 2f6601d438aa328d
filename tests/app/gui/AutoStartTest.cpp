#include "app/gui/MainWindowFixture.h"
#include "common/core/UiText.h"
#include "logs/core/LogList.h"

#include <QCheckBox>
#include <QUdpSocket>

using namespace quendal;
using namespace quendal::test;

namespace {

// The choice in the settings dialog to start receiving at once next time, across two windows on
// one store.
class AutoStartTest : public MainWindowTest
{
protected:
    // Start with OK on `port`, the box set as given.
    void startWithChoice(quint16 port, bool atOnce)
    {
        window_->OnStart();
        CPortSettingsDlg* dialog = window_->settingsDialog();
        ASSERT_TRUE(dialog->isVisible());
        dialog->syslogPortEdit()->setText(QString::number(port));
        dialog->autoStartCheck()->setChecked(atOnce);
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        ASSERT_FALSE(dialog->isVisible());
        ASSERT_TRUE(window_->isRunning());
    }

    CPortSettingsDlg* dialog() const { return window_->settingsDialog(); }
};

TEST_F(AutoStartTest, TheBoxIsOffAtFirstAndLabelledWithItsText)
{
    window_->OnStart();
    ASSERT_TRUE(dialog()->isVisible());
    EXPECT_FALSE(dialog()->autoStartCheck()->isChecked());
    EXPECT_EQ(dialog()->autoStartCheck()->text(),
              QStringLiteral("Start receiving with these settings next time"));
    EXPECT_EQ(dialog()->autoStartCheck()->text(), GetUiText(UiTextId::StartAtOnce));
    EXPECT_TRUE(dialog()->problemText().isEmpty());
}

TEST_F(AutoStartTest, TickedTheNextStartReceivesAtOnceAndStartStillShowsTheDialog)
{
    const quint16 port = freeUdpPort();
    startWithChoice(port, true);
    reopen(true);

    // No dialog: the window receives on the remembered port straight away.
    EXPECT_FALSE(dialog()->isVisible());
    ASSERT_TRUE(window_->isRunning());
    EXPECT_EQ(window_->settings().SyslogPort, port);
    LoopbackPeer router;
    router.sendTo(port, "<131>Dec 17 09:26:55 gw: Packet blocked");
    EXPECT_TRUE(waitUntil([&] { return window_->list(LogCategory::FireWall)->size() == 1; }));

    // Start after Stop shows the dialog with the box ticked, where it can be unticked.
    window_->OnStop();
    window_->OnStart();
    ASSERT_TRUE(dialog()->isVisible());
    EXPECT_TRUE(dialog()->autoStartCheck()->isChecked());
    EXPECT_EQ(dialog()->syslogPortEdit()->text(), QString::number(port));
    dialog()->autoStartCheck()->setChecked(false);
    QTest::mouseClick(dialog()->okButton(), Qt::LeftButton);
    ASSERT_TRUE(window_->isRunning());

    reopen(true);
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_FALSE(window_->isRunning());
    EXPECT_FALSE(dialog()->autoStartCheck()->isChecked());
    EXPECT_EQ(dialog()->syslogPortEdit()->text(), QStringLiteral("514"));
}

TEST_F(AutoStartTest, ARememberedPortThatIsTakenShowsTheDialogWithTheReason)
{
    const quint16 port = freeUdpPort();
    startWithChoice(port, true);
    window_->OnStop();

    // Someone else holds the port when the window starts next.
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::LocalHost, port, QAbstractSocket::DontShareAddress));
    reopen(true);

    EXPECT_FALSE(window_->isRunning());
    ASSERT_TRUE(dialog()->isVisible());
    const QString expected = GetUiText(UiTextId::CannotReceive).arg(port).arg(QString());
    EXPECT_TRUE(dialog()->problemText().startsWith(expected))
        << dialog()->problemText().toStdString();
    EXPECT_TRUE(dialog()->autoStartCheck()->isChecked());
    EXPECT_EQ(dialog()->syslogPortEdit()->text(), QString::number(port));

    // Once the port is free, OK starts and the reason goes away with the next opening.
    holder.close();
    QTest::mouseClick(dialog()->okButton(), Qt::LeftButton);
    EXPECT_TRUE(window_->isRunning());
    window_->OnStop();
    window_->OnStart();
    EXPECT_TRUE(dialog()->problemText().isEmpty());
}

} // namespace
