#include "netinfo/gui/CClientControlPage.h"

#include "common/core/UiText.h"
#include "netinfo/core/BackgroundCall.h"
#include "netinfo/core/CSearchSocket.h"
#include "netinfo/core/DnsCycle.h"
#include "netinfo/core/RouterList.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeView>
#include <QVBoxLayout>

namespace quendal {
namespace {

constexpr int kRouterColumnWidth = 105;

// The label text of each field, in Field order.
constexpr std::array<UiTextId, CClientControlPage::FieldCount> kLabelTexts = {
    UiTextId::HostNameLabel,      UiTextId::DnsServersLabel,  UiTextId::PhysicalAddressLabel,
    UiTextId::IpAddressLabel,     UiTextId::SubnetMaskLabel,  UiTextId::DefaultGatewayLabel,
    UiTextId::DhcpServerLabel,    UiTextId::PrimaryWinsLabel, UiTextId::SecondaryWinsLabel,
    UiTextId::LeaseObtainedLabel, UiTextId::LeaseExpiresLabel};

// The lease texts end in the newline of their asctime form; a label shows the line itself.
QString shown(const QString& text)
{
    return text.endsWith(QLatin1Char('\n')) ? text.chopped(1) : text;
}

// What one read hands back to the page.
struct AdapterRead
{
    NetworkInfo info;
    bool changeable = false;
};

// Fills `info` as a read in place does: a failed read keeps what it got before failing.
AdapterRead readWith(CIpHelper& helper, NetworkInfo info)
{
    helper.ReadNetworkInfo(info);
    return {std::move(info), helper.CanChangeLeases()};
}

} // namespace

CClientControlPage::CClientControlPage(CIpHelper helper, const RouterSearchTarget& searchTarget,
                                       QWidget* parent)
    : QWidget(parent), helper_(std::move(helper)), routers_(new RouterList(this)),
      searchSocket_(new CSearchSocket(searchTarget, this))
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildRouterFrame(), 1);
    layout->addWidget(buildAdapterFrame(), 1);
    ApplyUiTexts();

    connect(searchSocket_, &CSearchSocket::replyReceived, routers_, &RouterList::addReply);
    connect(searchButton_, &QPushButton::clicked, this, &CClientControlPage::SendSearchRequest);
    connect(nextDnsButton_, &QPushButton::clicked, this, &CClientControlPage::OnNextDns);
    connect(adapterBox_, &QComboBox::currentIndexChanged, this,
            &CClientControlPage::OnSelchangeAdapter);
    connect(releaseButton_, &QPushButton::clicked, this, [this] { changeLease(true); });
    connect(renewButton_, &QPushButton::clicked, this, [this] { changeLease(false); });

    info_.AdapterCount = 0;
    SendSearchRequest();
    ShowAdapter(0);
    enableLeaseButtons(0);
    readAdapters();
}

// The page shows empty fields until the first read is done, then adapter 0.
void CClientControlPage::readAdapters()
{
    setBusy(true);
    statusLabel_->setText(GetUiText(UiTextId::ReadingAdapters));
    runInBackground(
        this, [helper = helper_, info = info_]() mutable { return readWith(helper, info); },
        [this](AdapterRead read) {
            info_ = std::move(read.info);
            leasesChangeable_ = read.changeable;
            setBusy(false);
            statusLabel_->setText(noLeaseManagerNote());
            ShowAdapter(0);
            enableLeaseButtons(0);
        });
}

// Said once the adapters are known: why Release and Renew stay greyed for a DHCP adapter.
QString CClientControlPage::noLeaseManagerNote() const
{
    for (int a = 0; a < info_.AdapterCount && a < info_.Adapters.size(); ++a)
        if (info_.Adapters[a].DhcpEnabled && !leasesChangeable_)
            return GetUiText(UiTextId::NoLeaseManager);
    return {};
}

void CClientControlPage::setBusy(bool busy)
{
    busy_ = busy;
    if (busy) {
        releaseButton_->setEnabled(false);
        renewButton_->setEnabled(false);
    }
    adapterBox_->setEnabled(!busy);
}

QGroupBox* CClientControlPage::buildRouterFrame()
{
    auto* frame = new QGroupBox(this);
    auto* column = new QVBoxLayout(frame);
    routerView_ = new QTreeView(frame);
    routerView_->setModel(routers_);
    routerView_->setRootIsDecorated(false);
    routerView_->setItemsExpandable(false);
    routerView_->setSortingEnabled(false);
    routerView_->setUniformRowHeights(true);
    routerView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    routerView_->header()->setStretchLastSection(true);
    for (int c = 0; c < RouterList::ColumnCount; ++c)
        routerView_->setColumnWidth(c, kRouterColumnWidth);
    column->addWidget(routerView_, 1);
    searchButton_ = new QPushButton(frame);
    searchButton_->setAutoDefault(false);
    column->addWidget(searchButton_);
    return frame;
}

QGroupBox* CClientControlPage::buildAdapterFrame()
{
    auto* frame = new QGroupBox(this);
    auto* grid = new QGridLayout(frame);
    grid->setColumnStretch(1, 1);
    int row = 0;
    auto addField = [&](Field field) {
        labels_[field] = new QLabel(frame);
        values_[field] = new QLabel(frame);
        values_[field]->setTextFormat(Qt::PlainText);
        // Addresses are there to be copied into other tools.
        values_[field]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(labels_[field], row, 0);
        grid->addWidget(values_[field], row, 1);
        ++row;
    };
    addField(HostNameField);
    addField(DnsServerField);
    nextDnsButton_ = new QPushButton(QStringLiteral("..."), frame);
    nextDnsButton_->setAutoDefault(false);
    nextDnsButton_->setMaximumWidth(
        nextDnsButton_->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    grid->addWidget(nextDnsButton_, row - 1, 2);

    descriptionLabel_ = new QLabel(frame);
    adapterBox_ = new QComboBox(frame);
    adapterBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    adapterBox_->setMinimumContentsLength(20);
    grid->addWidget(descriptionLabel_, row, 0);
    grid->addWidget(adapterBox_, row, 1, 1, 2);
    ++row;

    for (Field field : {PhysicalAddressField, IpAddressField, SubnetMaskField, DefaultGatewayField,
                        DhcpServerField, PrimaryWinsField, SecondaryWinsField, LeaseObtainedField,
                        LeaseExpiresField})
        addField(field);
    // Kept for their values; a Linux machine has no WINS servers to show.
    for (Field field : {PrimaryWinsField, SecondaryWinsField}) {
        labels_[field]->hide();
        values_[field]->hide();
    }

    grid->setRowStretch(row++, 1);
    auto* buttons = new QHBoxLayout;
    // What a read, release or renew is doing, then how it went.
    statusLabel_ = new QLabel(frame);
    statusLabel_->setTextFormat(Qt::PlainText);
    statusLabel_->setWordWrap(true);
    buttons->addWidget(statusLabel_, 1);
    releaseButton_ = new QPushButton(frame);
    releaseButton_->setDefault(true);
    renewButton_ = new QPushButton(frame);
    renewButton_->setAutoDefault(false);
    buttons->addWidget(releaseButton_);
    buttons->addWidget(renewButton_);
    grid->addLayout(buttons, row, 0, 1, 3);
    return frame;
}

void CClientControlPage::ApplyUiTexts()
{
    setWindowTitle(GetUiText(UiTextId::ClientTab));
    searchButton_->setText(GetUiText(UiTextId::Search));
    renewButton_->setText(GetUiText(UiTextId::Renew));
    releaseButton_->setText(GetUiText(UiTextId::Release));
    for (int f = 0; f < FieldCount; ++f)
        labels_[f]->setText(GetUiText(kLabelTexts[size_t(f)]));
    descriptionLabel_->setText(GetUiText(UiTextId::DescriptionLabel));
}

void CClientControlPage::SendSearchRequest()
{
    routers_->clear();
    searchSocket_->SendRequest();
}

void CClientControlPage::ShowAdapter(int i)
{
    values_[HostNameField]->setText(info_.HostName);
    values_[DnsServerField]->setText(info_.DnsServers[0]);
    showAdapterFields(i);
    // Refilling is not the user's choice of adapter: no selection change follows from it.
    const QSignalBlocker blocker(adapterBox_);
    adapterBox_->clear();
    for (int a = 0; a < info_.AdapterCount && a < info_.Adapters.size(); ++a)
        adapterBox_->addItem(info_.Adapters[a].Description);
    adapterBox_->setCurrentIndex(i < adapterBox_->count() ? i : -1);
}

const AdapterRecord* CClientControlPage::adapterAt(int i) const
{
    const bool listed = i >= 0 && i < info_.AdapterCount && i < info_.Adapters.size();
    return listed ? &info_.Adapters[i] : nullptr;
}

void CClientControlPage::showAdapterFields(int i)
{
    const AdapterRecord* listed = adapterAt(i);
    const AdapterRecord adapter = listed ? *listed : AdapterRecord{};
    values_[PhysicalAddressField]->setText(adapter.PhysicalAddress);
    values_[IpAddressField]->setText(adapter.IpAddress);
    values_[SubnetMaskField]->setText(adapter.SubnetMask);
    values_[DefaultGatewayField]->setText(adapter.DefaultGateway);
    values_[DhcpServerField]->setText(adapter.DhcpServer);
    values_[PrimaryWinsField]->setText(adapter.PrimaryWinsServer);
    values_[SecondaryWinsField]->setText(adapter.SecondaryWinsServer);
    values_[LeaseObtainedField]->setText(shown(adapter.LeaseObtained));
    values_[LeaseExpiresField]->setText(shown(adapter.LeaseExpires));
}

// Release and Renew only mean something for a DHCP adapter, and only where someone on this
// machine takes the request.
void CClientControlPage::enableLeaseButtons(int i)
{
    const AdapterRecord* adapter = adapterAt(i);
    const bool dhcp = adapter && adapter->DhcpEnabled && leasesChangeable_ && !busy_;
    releaseButton_->setEnabled(dhcp);
    renewButton_->setEnabled(dhcp);
}

void CClientControlPage::OnSelchangeAdapter(int i)
{
    showAdapterFields(i);
    enableLeaseButtons(i);
}

void CClientControlPage::OnNextDns()
{
    dnsIndex_ = nextDnsIndex(info_.DnsServers, dnsIndex_);
    values_[DnsServerField]->setText(info_.DnsServers[size_t(dnsIndex_)]);
}

// The command runs on a thread of its own; meanwhile the page shows that it runs and keeps the
// adapter shown. Afterwards the adapters are read again and the outcome is shown.
void CClientControlPage::changeLease(bool release)
{
    const int selected = adapterBox_->currentIndex();
    const AdapterRecord* adapter = adapterAt(selected);
    if (!adapter || busy_)
        return;
    const quint32 index = adapter->Index;
    setBusy(true);
    statusLabel_->setText(release ? GetUiText(UiTextId::Releasing).arg(adapter->Description)
                                  : GetUiText(UiTextId::Renewing).arg(adapter->Description));
    struct Done
    {
        LeaseOutcome outcome;
        AdapterRead read;
    };
    runInBackground(
        this,
        [helper = helper_, info = info_, index, release]() mutable {
            Done done;
            done.outcome = release ? helper.ReleaseLease(index) : helper.RenewLease(index);
            done.read = readWith(helper, std::move(info));
            return done;
        },
        [this, selected, release](Done done) {
            info_ = std::move(done.read.info);
            leasesChangeable_ = done.read.changeable;
            setBusy(false);
            ShowAdapter(selected);
            enableLeaseButtons(selected);
            const LeaseOutcome& outcome = done.outcome;
            if (outcome.ok)
                statusLabel_->setText(release ? GetUiText(UiTextId::LeaseReleased)
                                              : GetUiText(UiTextId::LeaseRenewed));
            else
                statusLabel_->setText(release
                                          ? GetUiText(UiTextId::ReleaseFailed).arg(outcome.error)
                                          : GetUiText(UiTextId::RenewFailed).arg(outcome.error));
        });
}

} // namespace quendal
