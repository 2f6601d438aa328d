#include "app/gui/CPortSettingsDlg.h"

#include "app/core/Settings.h"
#include "app/core/SettingsStore.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>

namespace quendal::test {
namespace {

// The real dialog over a store in a temporary folder, opened as the window opens it.
class PortSettingsDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        store_ = std::make_unique<SettingsStore>(dir_.filePath(QStringLiteral("settings.ini")));
        dialog_ = std::make_unique<CPortSettingsDlg>(settings_, *store_);
    }

    void open()
    {
        dialog_->prepare();
        dialog_->open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    // Presses OK; true when the dialog closed with it.
    bool pressOk()
    {
        QTest::mouseClick(dialog_->okButton(), Qt::LeftButton);
        return !dialog_->isVisible() && dialog_->result() == QDialog::Accepted;
    }

    // A click on the box itself: the check box is wider than its text.
    void clickReplay()
    {
        QCheckBox* box = dialog_->replayCheck();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
    }

    QString logFolder() const { return dir_.path(); }

    QTemporaryDir dir_;
    ReceiverSettings settings_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<CPortSettingsDlg> dialog_;
};

TEST_F(PortSettingsDialogTest, FirstOpeningShowsDefaultsCaptionsAndDisabledReplayFields)
{
    open();
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("SYSLOG Select Port"));
    EXPECT_EQ(dialog_->syslogPortEdit()->text(), QStringLiteral("514"));
    EXPECT_EQ(dialog_->replayPortEdit()->text(), QStringLiteral("514"));
    EXPECT_EQ(QDir(dialog_->logPathEdit()->text()), QDir::current());
    EXPECT_EQ(settings_.LogPath, dialog_->logPathEdit()->text());
    EXPECT_TRUE(dialog_->replayAddressEdit()->text().isEmpty());
    EXPECT_FALSE(dialog_->replayCheck()->isChecked());
    EXPECT_FALSE(dialog_->replayAddressEdit()->isEnabled());
    EXPECT_FALSE(dialog_->replayPortEdit()->isEnabled());
    EXPECT_EQ(dialog_->replayCheck()->text(), QStringLiteral("Replay"));
    EXPECT_EQ(dialog_->okButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog_->cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(dialog_->okButton()->isDefault());

    QStringList labels;
    for (const QLabel* label : dialog_->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Syslog port:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Log file path:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Replay IP:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Replay port:")));

    // The box switches both Replay fields, back and forth.
    clickReplay();
    EXPECT_TRUE(dialog_->replayAddressEdit()->isEnabled());
    EXPECT_TRUE(dialog_->replayPortEdit()->isEnabled());
    clickReplay();
    EXPECT_FALSE(dialog_->replayAddressEdit()->isEnabled());
    EXPECT_FALSE(dialog_->replayPortEdit()->isEnabled());
}

TEST_F(PortSettingsDialogTest, PortTextsAreCheckedAndRejectedOnesShowTheDefaultAgain)
{
    open();
    dialog_->logPathEdit()->setText(logFolder());
    for (const QString& bad : {QStringLiteral("65536"), QStringLiteral("51a4"),
                               QStringLiteral("+514"), QStringLiteral(" 514")}) {
        dialog_->syslogPortEdit()->setText(bad);
        EXPECT_FALSE(pressOk()) << bad.toStdString();
        EXPECT_TRUE(dialog_->isVisible());
        EXPECT_EQ(dialog_->lastRejected(), PortSettingsField::SyslogPort);
        EXPECT_EQ(dialog_->syslogPortEdit()->text(), QStringLiteral("514"));
    }
    EXPECT_FALSE(store_->logPath().has_value()) << "a rejected OK stores nothing";

    dialog_->syslogPortEdit()->setText(QStringLiteral("65535"));
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(settings_.SyslogPort, 65535);
    EXPECT_EQ(dialog_->lastRejected(), PortSettingsField::None);

    // Every opening proposes 514 again; an empty field is port 0.
    open();
    EXPECT_EQ(dialog_->syslogPortEdit()->text(), QStringLiteral("514"));
    dialog_->syslogPortEdit()->clear();
    EXPECT_TRUE(pressOk());
    EXPECT_EQ(settings_.SyslogPort, 0);
}

TEST_F(PortSettingsDialogTest, LogFolderMustTakeTheFireWallFileAndIsStored)
{
    open();
    const QString missing = dir_.filePath(QStringLiteral("no/such/folder"));
    dialog_->logPathEdit()->setText(missing);
    dialog_->syslogPortEdit()->setText(QStringLiteral("5514"));
    EXPECT_FALSE(pressOk());
    EXPECT_EQ(dialog_->lastRejected(), PortSettingsField::LogPath);
    EXPECT_EQ(dialog_->logPathEdit()->text(), missing) << "the typed folder stays in the field";
    EXPECT_EQ(dialog_->syslogPortEdit()->text(), QStringLiteral("5514"));
    EXPECT_FALSE(store_->logPath().has_value());

    dialog_->logPathEdit()->setText(logFolder());
    ASSERT_TRUE(pressOk());
    EXPECT_TRUE(QFile::exists(dir_.filePath(QStringLiteral("FIrWareLog.flg"))));
    EXPECT_EQ(store_->logPath(), logFolder());
    EXPECT_EQ(settings_.LogPath, logFolder());
    EXPECT_EQ(settings_.SyslogPort, 5514);
    EXPECT_FALSE(settings_.ReplayEnabled);

    // The next opening starts from the stored folder.
    open();
    EXPECT_EQ(dialog_->logPathEdit()->text(), logFolder());
}

TEST_F(PortSettingsDialogTest, ReplayTargetIsCheckedStoredAndShownAgain)
{
    store_->store(logFolder(),
                  StoredReplayTarget{QStringLiteral("7000"), QStringLiteral("10.0.0.9")});
    open();
    EXPECT_EQ(dialog_->replayPortEdit()->text(), QStringLiteral("7000"));
    EXPECT_EQ(dialog_->replayAddressEdit()->text(), QStringLiteral("10.0.0.9"));

    clickReplay();
    dialog_->replayPortEdit()->setText(QStringLiteral("70x0"));
    EXPECT_FALSE(pressOk());
    EXPECT_EQ(dialog_->lastRejected(), PortSettingsField::ReplayPort);
    EXPECT_EQ(dialog_->replayPortEdit()->text(), QStringLiteral("514"));

    // The address field takes digits and dots only; an incomplete address keeps the dialog open
    // with the field as typed.
    dialog_->replayAddressEdit()->clear();
    QTest::keyClicks(dialog_->replayAddressEdit(), QStringLiteral("192.x168.1"));
    EXPECT_EQ(dialog_->replayAddressEdit()->text(), QStringLiteral("192.168.1"));
    dialog_->replayPortEdit()->setText(QStringLiteral("6000"));
    EXPECT_FALSE(pressOk());
    EXPECT_EQ(dialog_->lastRejected(), PortSettingsField::ReplayAddress);
    EXPECT_EQ(dialog_->replayAddressEdit()->text(), QStringLiteral("192.168.1"));

    QTest::keyClicks(dialog_->replayAddressEdit(), QStringLiteral(".10"));
    dialog_->syslogPortEdit()->setText(QStringLiteral("5514"));
    ASSERT_TRUE(pressOk());
    EXPECT_TRUE(settings_.ReplayEnabled);
    EXPECT_EQ(settings_.ReplayPort, 6000);
    EXPECT_EQ(settings_.ReplayAddress, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(settings_.SyslogPort, 5514);
    EXPECT_EQ(store_->replayPortText(), QStringLiteral("6000"));
    EXPECT_EQ(store_->replayAddress(), QStringLiteral("192.168.1.10"));

    // A second Start in this run shows the Replay choice of the first, fields enabled.
    open();
    EXPECT_TRUE(dialog_->replayCheck()->isChecked());
    EXPECT_TRUE(dialog_->replayAddressEdit()->isEnabled());
    EXPECT_TRUE(dialog_->replayPortEdit()->isEnabled());
    EXPECT_EQ(dialog_->replayAddressEdit()->text(), QStringLiteral("192.168.1.10"));
    EXPECT_EQ(dialog_->syslogPortEdit()->text(), QStringLiteral("514"));
}

TEST_F(PortSettingsDialogTest, OkWithoutReplayKeepsTheStoredTargetAndCancelChangesNothing)
{
    store_->store(logFolder(),
                  StoredReplayTarget{QStringLiteral("7000"), QStringLiteral("10.0.0.9")});
    open();
    dialog_->replayPortEdit()->setText(QStringLiteral("6000"));
    ASSERT_TRUE(pressOk());
    EXPECT_EQ(store_->replayPortText(), QStringLiteral("7000"));
    EXPECT_EQ(store_->replayAddress(), QStringLiteral("10.0.0.9"));
    EXPECT_FALSE(settings_.ReplayEnabled);
    EXPECT_EQ(settings_.ReplayPort, 0);

    const int port = settings_.SyslogPort;
    open();
    clickReplay();
    dialog_->syslogPortEdit()->setText(QStringLiteral("6001"));
    dialog_->replayAddressEdit()->setText(QStringLiteral("10.1.1.1"));
    QTest::mouseClick(dialog_->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_EQ(settings_.SyslogPort, port);
    EXPECT_FALSE(settings_.ReplayEnabled);
    EXPECT_EQ(store_->replayAddress(), QStringLiteral("10.0.0.9"));

    // A tick given up with Cancel is not shown again.
    open();
    EXPECT_FALSE(dialog_->replayCheck()->isChecked());
    EXPECT_FALSE(dialog_->replayAddressEdit()->isEnabled());
}

} // namespace
} // namespace quendal::test
