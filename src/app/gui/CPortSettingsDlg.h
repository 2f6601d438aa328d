#pragma once

#include "app/core/PortSettingsForm.h"

#include <QDialog>

class QCheckBox;
namespace quendal {
class ForwardingSettingsForm;
}
class QLabel;
class QLineEdit;
class QPushButton;

namespace quendal {

class SettingsStore;
struct ReceiverSettings;

// "SYSLOG Select Port": the syslog port, the log folder, the rows kept per list, the senders
// allowed, the Replay target, the TCP and TLS ports with TLS's certificate files,
// and whether the next start of the window starts receiving with them at once, shown at
// every Start. OK runs the checks in order; a rejected field keeps the dialog open, without a
// message but for the allowed senders, whose reason is shown (a rejected port shows "514" again).
// Cancel changes nothing.
class CPortSettingsDlg : public QDialog
{
    Q_OBJECT

public:
    CPortSettingsDlg(ReceiverSettings& settings, SettingsStore& store, QWidget* parent = nullptr);

    // Fills the fields afresh, as every opening does: both ports "514", the stored folder (else
    // the current directory) and Replay target, and this run's Replay choice.
    void prepare();
    // Why reception could not start with what the dialog shows; prepare() clears it.
    void showProblem(const QString& text);
    QString problemText() const;

    // The field the last OK rejected; None after an accepted OK.
    PortSettingsField lastRejected() const { return lastRejected_; }

    QLineEdit* syslogPortEdit() const { return syslogPort_; }
    QLineEdit* logPathEdit() const { return logPath_; }
    QLineEdit* maxRowsEdit() const { return maxRows_; }
    QLineEdit* allowedSendersEdit() const { return allowedSenders_; }
    QCheckBox* replayCheck() const { return replay_; }
    QCheckBox* autoStartCheck() const { return autoStart_; }
    QLineEdit* replayAddressEdit() const { return replayAddress_; }
    QLineEdit* replayPortEdit() const { return replayPort_; }
    QLineEdit* tcpPortEdit() const { return tcpPort_; }
    QLineEdit* tlsPortEdit() const { return tlsPort_; }
    QLineEdit* tlsCertificateEdit() const { return tlsCertificate_; }
    QLineEdit* tlsKeyEdit() const { return tlsKey_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    ForwardingSettingsForm* forwardingForm() const { return forwarding_; }

public Q_SLOTS:
    void accept() override;

private:
    void setReplayFieldsEnabled(bool on);
    QLineEdit* fieldOf(PortSettingsField field) const;

    ReceiverSettings& settings_;
    SettingsStore& store_;
    PortSettingsField lastRejected_ = PortSettingsField::None;
    QLabel* syslogPortLabel_ = nullptr;
    QLabel* logPathLabel_ = nullptr;
    QLabel* replayAddressLabel_ = nullptr;
    QLabel* replayPortLabel_ = nullptr;
    QLineEdit* syslogPort_ = nullptr;
    QLineEdit* logPath_ = nullptr;
    QLabel* maxRowsLabel_ = nullptr;
    QLineEdit* maxRows_ = nullptr;
    QLabel* maxRowsRange_ = nullptr;
    QLabel* allowedSendersLabel_ = nullptr;
    QLineEdit* allowedSenders_ = nullptr;
    QCheckBox* replay_ = nullptr;
    QLineEdit* replayAddress_ = nullptr;
    QLineEdit* replayPort_ = nullptr;
    QCheckBox* autoStart_ = nullptr;
    QLabel* tcpPortLabel_ = nullptr;
    QLineEdit* tcpPort_ = nullptr;
    QLabel* tlsPortLabel_ = nullptr;
    QLineEdit* tlsPort_ = nullptr;
    QLabel* tlsCertificateLabel_ = nullptr;
    QLineEdit* tlsCertificate_ = nullptr;
    QLabel* tlsKeyLabel_ = nullptr;
    QLineEdit* tlsKey_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    ForwardingSettingsForm* forwarding_ = nullptr;
};

} // namespace quendal
