#pragma once

#include "netinfo/core/CIpHelper.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <chrono>

class QTimer;

namespace quendal {

class SocketTableModel;
class SocketTableView;

// What the TCP and UDP table pages share: a list that fills the page, the page's own CIpHelper,
// and a timer that rebuilds the whole list every 30 seconds, also while another tab is shown.
class SocketTablePage : public QWidget
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kRefreshPeriod{30000};

    SocketTableView* view() const { return view_; }
    SocketTableModel* model() const { return model_; }

    void setRefreshPeriod(std::chrono::milliseconds period);

public Q_SLOTS:
    // Empties the list and fills it from the system table; after a failed read it stays empty
    // until the next refresh.
    void refresh();

protected:
    SocketTablePage(CIpHelper helper, const QStringList& captions, const QList<int>& widths,
                    QWidget* parent);

    // The subclass's own set-up is complete: fill the list and start the timer.
    void start();
    CIpHelper& ipHelper() { return helper_; }
    // The table's rows as cell texts; false when the table cannot be read.
    virtual bool readTable(QList<QStringList>& rows) = 0;

private:
    CIpHelper helper_;
    SocketTableModel* model_;
    SocketTableView* view_;
    QTimer* timer_;
};

} // namespace quendal
