#pragma once

#include "common/core/UiTextId.h"
#include "netinfo/core/CIpHelper.h"
#include "netinfo/core/PortDefinitions.h"
#include "netinfo/core/SocketRowTexts.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <chrono>
#include <functional>

class QTimer;

namespace quendal {

class SocketTableModel;
class SocketTableView;

// A page that lists one of the machine's socket tables: a list that fills the page, the page's
// own CIpHelper, and a timer that rebuilds the whole list every 30 seconds, also while another
// tab is shown. With port definitions loaded the list gains the Keyword and Description columns.
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
    // A page titled `title` whose own columns are `captions` at `widths` pixels, and whose rows
    // `read` (CIpHelper::ReadTcpTable or ReadUdpTable) gives. It fills the list at once.
    template <typename Row>
    SocketTablePage(UiTextId title, const QList<UiTextId>& captions, const QList<int>& widths,
                    CIpHelper helper, bool (CIpHelper::*read)(std::vector<Row>&),
                    const PortDefinitions& definitions, QWidget* parent)
        : SocketTablePage(title, columnCaptions(captions, definitions.loaded()),
                          withDefinitionWidths(widths, definitions.loaded()), std::move(helper),
                          parent)
    {
        readRows_ = [read, definitions](CIpHelper& helper, QList<QStringList>& rows) {
            std::vector<Row> table;
            if (!(helper.*read)(table))
                return false;
            rows = tableTexts(table, definitions);
            return true;
        };
        start();
    }

private:
    SocketTablePage(UiTextId title, const QStringList& captions, const QList<int>& widths,
                    CIpHelper helper, QWidget* parent);
    static QList<int> withDefinitionWidths(QList<int> widths, bool withPortDefinitions);
    void start();

    CIpHelper helper_;
    // The table's rows as cell texts; false when the table cannot be read.
    std::function<bool(CIpHelper&, QList<QStringList>&)> readRows_;
    SocketTableModel* model_;
    SocketTableView* view_;
    QTimer* timer_;
};

} // namespace quendal
