#pragma once

#include "netinfo/core/CIpHelper.h"
#include "netinfo/core/NetworkInfo.h"
#include "netinfo/core/RouterSearch.h"

#include <QWidget>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTreeView;

namespace quendal {

class CSearchSocket;
class RouterList;

// The "Client" tab: the machine's host name and DNS servers, one adapter at a time with its
// addresses and DHCP lease (Release and Renew for DHCP adapters), and the routers that answered
// the search. The constructor sends the first search and starts reading the adapters; reading and
// every release or renew run on a thread of their own, so the window never waits for the
// machine's tools. While one runs, Release and Renew are greyed and the status line says what is
// going on; then it shows the outcome, with the tool's own words when it failed.
class CClientControlPage : public QWidget
{
    Q_OBJECT
public:
    // The value fields, top to bottom; the two WINS fields are kept but never shown.
    enum Field
    {
        HostNameField,
        DnsServerField,
        PhysicalAddressField,
        IpAddressField,
        SubnetMaskField,
        DefaultGatewayField,
        DhcpServerField,
        PrimaryWinsField,
        SecondaryWinsField,
        LeaseObtainedField,
        LeaseExpiresField,
        FieldCount
    };

    CClientControlPage(CIpHelper helper, const RouterSearchTarget& searchTarget,
                       QWidget* parent = nullptr);

    // Clears the router list and sends one search request.
    void SendSearchRequest();
    // Host name, DNS entry 0 and adapter `i`'s fields; the combo box refilled with `i` selected.
    void ShowAdapter(int i);

    // The DNS entry "..." showed last; kept across re-reads and adapter changes.
    int dnsIndex() const { return dnsIndex_; }

    // Whether a read, release or renew is still running.
    bool isBusy() const { return busy_; }

    // The parts, for tests.
    QLabel* value(Field field) const { return values_[field]; }
    QLabel* label(Field field) const { return labels_[field]; }
    QLabel* descriptionLabel() const { return descriptionLabel_; }
    QComboBox* adapterBox() const { return adapterBox_; }
    QPushButton* nextDnsButton() const { return nextDnsButton_; }
    QPushButton* releaseButton() const { return releaseButton_; }
    QPushButton* renewButton() const { return renewButton_; }
    QPushButton* searchButton() const { return searchButton_; }
    QLabel* statusLabel() const { return statusLabel_; }
    QTreeView* routerView() const { return routerView_; }
    RouterList* routers() const { return routers_; }
    CSearchSocket* searchSocket() const { return searchSocket_; }

private:
    QGroupBox* buildRouterFrame();
    QGroupBox* buildAdapterFrame();
    void ApplyUiTexts();
    // Adapter `i` of the last read, or null when there is none at `i`.
    const AdapterRecord* adapterAt(int i) const;
    void showAdapterFields(int i);
    void enableLeaseButtons(int i);
    void OnSelchangeAdapter(int i);
    void OnNextDns();
    void changeLease(bool release);
    void readAdapters();
    void setBusy(bool busy);
    QString noLeaseManagerNote() const;

    CIpHelper helper_;
    NetworkInfo info_;
    // Known from the last read: asking who manages leases may start a process.
    bool leasesChangeable_ = false;
    bool busy_ = false;
    int dnsIndex_ = 0;
    RouterList* routers_;
    CSearchSocket* searchSocket_;

    std::array<QLabel*, FieldCount> labels_{};
    std::array<QLabel*, FieldCount> values_{};
    QLabel* descriptionLabel_ = nullptr;
    QComboBox* adapterBox_ = nullptr;
    QPushButton* nextDnsButton_ = nullptr;
    QPushButton* releaseButton_ = nullptr;
    QPushButton* renewButton_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QTreeView* routerView_ = nullptr;
};

} // namespace quendal
