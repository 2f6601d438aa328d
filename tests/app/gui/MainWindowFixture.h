#pragma once

#include "app/core/SettingsStore.h"
#include "app/gui/CPortSettingsDlg.h"
#include "app/gui/CSysLogDlg.h"
#include "app/gui/FakeTrayIcon.h"
#include "common/core/Clock.h"
#include "support/TestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <memory>

namespace quendal::test {

// The real main window, receiving on 127.0.0.1, with its settings and log files in a temporary
// folder and a stand-in notification area.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        store_ = std::make_unique<SettingsStore>(dir_.filePath(QStringLiteral("settings.ini")));
        store_->store(logFolder(), std::nullopt);
        openWindow();
    }

    // Builds the window on the store and shows it; with `asTheProgramStarts` it starts up as the
    // program starts it (receiving at once when the settings say so).
    void openWindow(bool asTheProgramStarts = false)
    {
        MainWindowOptions options;
        options.store = store_.get();
        options.listenAddress = htonl(INADDR_LOOPBACK);
        options.trayIcon = &tray_;
        window_ = std::make_unique<CSysLogDlg>(options);
        if (asTheProgramStarts)
            window_->startUp();
        else
            window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    // Closes the window as the user does and opens a new one on the same store.
    void reopen(bool asTheProgramStarts = false)
    {
        window_->close();
        window_.reset();
        openWindow(asTheProgramStarts);
    }

    QString logFolder() const { return dir_.path(); }

    // Start with OK in the settings dialog on `port`; false when the dialog did not close.
    bool startOn(quint16 port)
    {
        window_->OnStart();
        CPortSettingsDlg* dialog = window_->settingsDialog();
        if (!dialog->isVisible())
            return false;
        dialog->syslogPortEdit()->setText(QString::number(port));
        QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        return !dialog->isVisible();
    }

    // Starts on a free port and returns it (0 on failure).
    quint16 startOnFreePort()
    {
        const quint16 port = freeUdpPort();
        return startOn(port) && window_->isRunning() ? port : 0;
    }

    QTemporaryDir dir_;
    FakeTrayIcon tray_; // outlives the window
    ManualClock clock_; // for the parts a test hands it to; outlives the window
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<CSysLogDlg> window_;
};

} // namespace quendal::test
