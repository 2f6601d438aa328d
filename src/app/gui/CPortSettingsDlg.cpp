#include "app/gui/CPortSettingsDlg.h"

#include "app/core/ForwardStore.h"
#include "app/core/SettingsRejection.h"
#include "app/core/SettingsStore.h"
#include "app/gui/DialogWidth.h"
#include "common/core/UiText.h"
#include "forward/gui/ForwardingSettingsForm.h"

#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace quendal {

namespace {

QLabel* rightAlignedLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

// Wide enough for five digits, no wider: the field says by its size what it takes.
QLineEdit* portEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(253);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    return edit;
}

} // namespace

CPortSettingsDlg::CPortSettingsDlg(ReceiverSettings& settings, SettingsStore& store,
                                   QWidget* parent)
    : QDialog(parent), settings_(settings), store_(store)
{
    setWindowIcon(QIcon(QStringLiteral(":/icons/quendal-syslog.svg")));
    useSmallDialogFrame(this);

    auto* frame = new QGroupBox(this);
    auto* grid = new QGridLayout(frame);

    syslogPortLabel_ = rightAlignedLabel(frame);
    syslogPort_ = portEdit(frame);
    syslogPortLabel_->setBuddy(syslogPort_);
    grid->addWidget(syslogPortLabel_, 0, 0);
    grid->addWidget(syslogPort_, 0, 1, Qt::AlignLeft);

    logPathLabel_ = rightAlignedLabel(frame);
    logPath_ = new QLineEdit(frame);
    logPath_->setMaxLength(253);
    logPath_->setMinimumWidth(logPath_->fontMetrics().averageCharWidth() * 36);
    logPathLabel_->setBuddy(logPath_);
    grid->addWidget(logPathLabel_, 1, 0);
    grid->addWidget(logPath_, 1, 1, 1, 2);

    // How many rows each list keeps; the range shows beside the field, the check runs on OK.
    maxRowsLabel_ = rightAlignedLabel(frame);
    maxRows_ = new QLineEdit(frame);
    maxRows_->setMaxLength(8);
    maxRows_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral(R"(\d{0,8})")), maxRows_));
    maxRows_->setFixedWidth(maxRows_->fontMetrics().horizontalAdvance(QStringLiteral("000000000")) +
                            12);
    maxRowsLabel_->setBuddy(maxRows_);
    maxRowsRange_ = new QLabel(frame);
    auto* maxRowsLine = new QHBoxLayout;
    maxRowsLine->addWidget(maxRows_);
    maxRowsLine->addWidget(maxRowsRange_, 1);
    grid->addWidget(maxRowsLabel_, 2, 0);
    grid->addLayout(maxRowsLine, 2, 1, 1, 2);

    // Networks of either family, comma-separated; checked on OK, which names what is wrong.
    allowedSendersLabel_ = rightAlignedLabel(frame);
    allowedSenders_ = new QLineEdit(frame);
    allowedSenders_->setMaxLength(4000);
    allowedSenders_->setPlaceholderText(QStringLiteral("192.168.0.0/16, fd00::/8"));
    allowedSendersLabel_->setBuddy(allowedSenders_);
    grid->addWidget(allowedSendersLabel_, 3, 0);
    grid->addWidget(allowedSenders_, 3, 1, 1, 2);

    replay_ = new QCheckBox(frame);
    grid->addWidget(replay_, 4, 0, 1, 2);

    auto* separator = new QFrame(frame);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    grid->addWidget(separator, 5, 0, 1, 3);

    // Dotted IPv4, or IPv6 (hex digits and colons, brackets, an interface after '%'). Whether
    // the address is complete is decided on OK.
    replayAddressLabel_ = rightAlignedLabel(frame);
    replayAddress_ = new QLineEdit(frame);
    replayAddress_->setMaxLength(64);
    replayAddress_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(
            QStringLiteral(R"(\d{0,3}(\.\d{0,3}){0,3}|\[?[0-9A-Fa-f:.]*(%\w*)?\]?)")),
        replayAddress_));
    replayAddress_->setFixedWidth(
        replayAddress_->fontMetrics().horizontalAdvance(QStringLiteral("000.000.000.000")) + 16);
    replayAddressLabel_->setBuddy(replayAddress_);
    grid->addWidget(replayAddressLabel_, 6, 0);
    grid->addWidget(replayAddress_, 6, 1, Qt::AlignLeft);

    replayPortLabel_ = rightAlignedLabel(frame);
    replayPort_ = portEdit(frame);
    replayPortLabel_->setBuddy(replayPort_);
    grid->addWidget(replayPortLabel_, 7, 0);
    grid->addWidget(replayPort_, 7, 1, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);

    autoStart_ = new QCheckBox(frame);
    grid->addWidget(autoStart_, 8, 0, 1, 3);

    // TCP and TLS besides UDP, off while their ports are empty.
    tcpPortLabel_ = rightAlignedLabel(frame);
    tcpPort_ = portEdit(frame);
    tcpPortLabel_->setBuddy(tcpPort_);
    tlsPortLabel_ = rightAlignedLabel(frame);
    tlsPort_ = portEdit(frame);
    tlsPortLabel_->setBuddy(tlsPort_);
    auto* streamPorts = new QHBoxLayout;
    streamPorts->addWidget(tcpPort_);
    streamPorts->addWidget(tlsPortLabel_);
    streamPorts->addWidget(tlsPort_);
    streamPorts->addStretch(1);
    grid->addWidget(tcpPortLabel_, 9, 0);
    grid->addLayout(streamPorts, 9, 1, 1, 2);
    tlsCertificateLabel_ = rightAlignedLabel(frame);
    tlsCertificate_ = new QLineEdit(frame);
    tlsCertificateLabel_->setBuddy(tlsCertificate_);
    grid->addWidget(tlsCertificateLabel_, 10, 0);
    grid->addWidget(tlsCertificate_, 10, 1, 1, 2);
    tlsKeyLabel_ = rightAlignedLabel(frame);
    tlsKey_ = new QLineEdit(frame);
    tlsKeyLabel_->setBuddy(tlsKey_);
    grid->addWidget(tlsKeyLabel_, 11, 0);
    grid->addWidget(tlsKey_, 11, 1, 1, 2);

    problem_ = new QLabel(frame);
    problem_->setWordWrap(true);
    problem_->setTextFormat(Qt::PlainText);
    problem_->hide();
    grid->addWidget(problem_, 12, 0, 1, 3);

    ok_ = new QPushButton(this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    grid->addLayout(buttons, 13, 0, 1, 3);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(frame);
    forwarding_ = new ForwardingSettingsForm(this);
    outer->insertWidget(1, forwarding_);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok_, &QPushButton::clicked, this, &CPortSettingsDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CPortSettingsDlg::reject);
    connect(replay_, &QCheckBox::toggled, this, &CPortSettingsDlg::setReplayFieldsEnabled);

    setReplayFieldsEnabled(false);
}

void CPortSettingsDlg::prepare()
{
    lastRejected_ = PortSettingsField::None;
    showProblem(QString());
    forwarding_->load(readStoredForwarding(store_));

    cancel_->setText(GetUiText(UiTextId::Cancel));
    ok_->setText(GetUiText(UiTextId::Ok));
    setWindowTitle(GetUiText(UiTextId::SelectPortTitle));
    syslogPortLabel_->setText(GetUiText(UiTextId::SyslogPortLabel));
    logPathLabel_->setText(GetUiText(UiTextId::LogPathLabel));
    replay_->setText(GetUiText(UiTextId::Replay));
    autoStart_->setText(GetUiText(UiTextId::StartAtOnce));
    replayAddressLabel_->setText(GetUiText(UiTextId::ReplayAddressLabel));
    replayPortLabel_->setText(GetUiText(UiTextId::ReplayPortLabel));
    maxRowsLabel_->setText(GetUiText(UiTextId::RowsPerListLabel));
    allowedSendersLabel_->setText(GetUiText(UiTextId::AllowedSenders));
    tcpPortLabel_->setText(GetUiText(UiTextId::TcpPortLabel));
    tlsPortLabel_->setText(GetUiText(UiTextId::TlsPortLabel));
    tlsCertificateLabel_->setText(GetUiText(UiTextId::TlsCertificateLabel));
    tlsKeyLabel_->setText(GetUiText(UiTextId::TlsKeyLabel));
    maxRowsRange_->setText(
        GetUiText(UiTextId::RowsPerListRange)
            .arg(QLocale().toString(kFewestRowsPerList), QLocale().toString(kMostRowsPerList)));
    fitWidthToTitle(this);

    const PortSettingsFields fields =
        openPortSettings(settings_, store_, QDir::toNativeSeparators(QDir::currentPath()));
    syslogPort_->setText(fields.syslogPort);
    logPath_->setText(fields.logPath);
    maxRows_->setText(fields.maxRowsPerList);
    allowedSenders_->setText(fields.allowedSenders);
    replayAddress_->setText(fields.replayAddress);
    replayPort_->setText(fields.replayPort);
    tcpPort_->setText(fields.tcpPort);
    tlsPort_->setText(fields.tlsPort);
    tlsCertificate_->setText(fields.tlsCertificate);
    tlsKey_->setText(fields.tlsKey);
    // Without a signal the fields would keep the enabled state of a previous opening whenever
    // the box already shows the right tick.
    autoStart_->setChecked(fields.autoStart);
    replay_->setChecked(fields.replayEnabled);
    setReplayFieldsEnabled(fields.replayEnabled);

    syslogPort_->setFocus();
    syslogPort_->selectAll();
}

void CPortSettingsDlg::accept()
{
    PortSettingsFields fields;
    fields.syslogPort = syslogPort_->text();
    fields.logPath = logPath_->text();
    fields.maxRowsPerList = maxRows_->text();
    fields.allowedSenders = allowedSenders_->text();
    fields.replayAddress = replayAddress_->text();
    fields.replayPort = replayPort_->text();
    fields.replayEnabled = replay_->isChecked();
    fields.autoStart = autoStart_->isChecked();
    fields.tcpPort = tcpPort_->text();
    fields.tlsPort = tlsPort_->text();
    fields.tlsCertificate = tlsCertificate_->text();
    fields.tlsKey = tlsKey_->text();

    const PortSettingsFields typed = fields;
    const PortSettingsOutcome outcome = acceptPortSettings(fields, settings_, store_);
    lastRejected_ = outcome.rejected;
    showProblem(outcome.reason);
    if (!outcome.accepted) {
        const QString why = rejectionReason(outcome.rejected, typed);
        showProblem(why.isEmpty() ? outcome.reason : why);
        // Only a rejected port text is changed (back to "514"); the user's other input stays.
        syslogPort_->setText(fields.syslogPort);
        replayPort_->setText(fields.replayPort);
        // The cursor goes to the rejected field: a reset port is selected for retyping, a folder
        // or address is left to be corrected where it stands.
        if (QLineEdit* field = fieldOf(outcome.rejected)) {
            field->setFocus();
            if (field == syslogPort_ || field == replayPort_ || field == maxRows_)
                field->selectAll();
        }
        return;
    }
    replayAddress_->setText(fields.replayAddress);
    allowedSenders_->setText(fields.allowedSenders);
    // Forwarding: a URL or file that cannot be used keeps the dialog open, its reason shown.
    if (!forwarding_->check(settings_.LogPath).isEmpty())
        return;
    storeForwarding(store_, forwarding_->forwarding());
    QDialog::accept();
}

void CPortSettingsDlg::showProblem(const QString& text)
{
    problem_->setText(text);
    problem_->setVisible(!text.isEmpty());
}

QString CPortSettingsDlg::problemText() const
{
    return problem_->text();
}

QLineEdit* CPortSettingsDlg::fieldOf(PortSettingsField field) const
{
    switch (field) {
    case PortSettingsField::SyslogPort:
        return syslogPort_;
    case PortSettingsField::LogPath:
        return logPath_;
    case PortSettingsField::MaxRowsPerList:
        return maxRows_;
    case PortSettingsField::ReplayPort:
        return replayPort_;
    case PortSettingsField::ReplayAddress:
        return replayAddress_;
    case PortSettingsField::AllowedSenders:
        return allowedSenders_;
    case PortSettingsField::TcpPort:
        return tcpPort_;
    case PortSettingsField::TlsPort:
        return tlsPort_;
    case PortSettingsField::TlsCertificate:
        return tlsCertificate_;
    case PortSettingsField::None:
        break;
    }
    return nullptr;
}

void CPortSettingsDlg::setReplayFieldsEnabled(bool on)
{
    replayAddress_->setEnabled(on);
    replayPort_->setEnabled(on);
}

} // namespace quendal
