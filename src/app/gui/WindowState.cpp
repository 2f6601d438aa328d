#include "app/gui/WindowState.h"

#include "app/core/SettingsStore.h"
#include "app/gui/CSysLogDlg.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/CCategoryPage.h"
#include "netinfo/gui/SocketTablePage.h"
#include "netinfo/gui/SocketTableView.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QRect>
#include <QScreen>
#include <QStringList>
#include <QTabWidget>

#include <algorithm>
#include <optional>

namespace quendal {
namespace {

const QString kGeometryName = QStringLiteral("Window/Geometry");
const QString kMaximizedName = QStringLiteral("Window/Maximized");
const QString kLastTabName = QStringLiteral("Window/LastTab");
const QString kAlertsName = QStringLiteral("Window/AlertsWhileHidden");
constexpr int kMinimumVisible = 100; // pixels of width and height that must lie on a screen
constexpr int kMinimumColumn = 8;
constexpr int kMaximumColumn = 10000;

QString columnsName(int page)
{
    return QStringLiteral("Window/ColumnWidths%1").arg(page);
}

QString shownColumnsName(int page)
{
    return QStringLiteral("Window/ShownColumns%1").arg(page);
}

// The columns of a page whose widths are kept: every one but the last, which fills the view
// (of a log list, those before its Message).
struct Columns
{
    CColorListCtrl* list = nullptr;
    QHeaderView* header = nullptr;

    int count() const
    {
        const int all = list ? LogList::MessageColumn + 1 : header ? header->count() : 0;
        return std::max(0, all - 1);
    }
    int width(int column) const
    {
        return list ? list->columnWidth(column) : header->sectionSize(column);
    }
    void setWidth(int column, int width) const
    {
        if (list)
            list->setColumnWidth(column, width);
        else
            header->resizeSection(column, width);
    }
};

Columns columnsOf(const CSysLogDlg& window, int page)
{
    QWidget* widget = window.sheet()->widget(page);
    if (auto* category = qobject_cast<CCategoryPage*>(widget))
        return {category->listCtrl(), nullptr};
    if (auto* table = qobject_cast<SocketTablePage*>(widget))
        return {nullptr, table->view()->horizontalHeader()};
    return {};
}

// The stored widths when there is one sane width for each kept column.
std::optional<QList<int>> storedWidths(const SettingsStore& store, int page, int count)
{
    const std::optional<QVariant> stored = store.value(columnsName(page));
    if (!stored)
        return std::nullopt;
    const QStringList texts = stored->toString().split(QLatin1Char(','));
    if (texts.size() != count)
        return std::nullopt;
    QList<int> widths;
    for (const QString& text : texts) {
        bool ok = false;
        const int width = text.trimmed().toInt(&ok);
        if (!ok || width < kMinimumColumn || width > kMaximumColumn)
            return std::nullopt;
        widths.append(width);
    }
    return widths;
}

} // namespace

bool WindowState::isOnAScreen(const QRect& geometry)
{
    if (!geometry.isValid())
        return false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shared = screen->availableGeometry().intersected(geometry);
        if (shared.width() >= kMinimumVisible && shared.height() >= kMinimumVisible)
            return true;
    }
    return false;
}

void WindowState::restore(CSysLogDlg& window, const SettingsStore& store)
{
    if (const auto stored = store.value(kGeometryName)) {
        const QRect geometry = stored->toRect();
        if (isOnAScreen(geometry) && geometry.width() >= window.minimumWidth() &&
            geometry.height() >= window.minimumHeight())
            window.setGeometry(geometry);
    }
    if (const auto maximized = store.value(kMaximizedName); maximized && maximized->toBool())
        window.setWindowState(window.windowState() | Qt::WindowMaximized);

    for (int page = 0; page < CSysLogDlg::PageCount; ++page) {
        const Columns columns = columnsOf(window, page);
        if (const auto widths = storedWidths(store, page, columns.count())) {
            for (int column = 0; column < widths->size(); ++column)
                columns.setWidth(column, widths->at(column));
        }
        auto* category = qobject_cast<CCategoryPage*>(window.sheet()->widget(page));
        if (const auto shown = store.value(shownColumnsName(page)); shown && category) {
            // A hand-edited "3,4" without quotes reads as a list.
            const QStringList names =
                shown->toStringList().join(QLatin1Char(',')).split(QLatin1Char(','));
            for (int column : {int(LogList::SeverityColumn), int(LogList::SenderColumn)})
                category->setOptionalColumnShown(column, names.contains(QString::number(column)));
        }
    }

    if (const auto stored = store.value(kLastTabName)) {
        bool ok = false;
        const int tab = stored->toInt(&ok);
        if (ok && tab >= 0 && tab < window.sheet()->count())
            window.sheet()->setCurrentIndex(tab);
    }

    if (const auto alerts = store.value(kAlertsName))
        window.alertsAction()->setChecked(alerts->toBool());
}

bool WindowState::saveAlertChoice(SettingsStore& store, bool on)
{
    return store.storeValues({{kAlertsName, on}});
}

bool WindowState::save(const CSysLogDlg& window, SettingsStore& store)
{
    QList<std::pair<QString, QVariant>> values;
    values.append({kGeometryName, window.normalGeometry()});
    values.append({kMaximizedName, window.isMaximized()});
    values.append({kLastTabName, window.sheet()->currentIndex()});
    for (int page = 0; page < CSysLogDlg::PageCount; ++page) {
        const Columns columns = columnsOf(window, page);
        QStringList widths;
        for (int column = 0; column < columns.count(); ++column)
            widths.append(QString::number(columns.width(column)));
        if (!widths.isEmpty())
            values.append({columnsName(page), widths.join(QLatin1Char(','))});
        if (auto* category = qobject_cast<CCategoryPage*>(window.sheet()->widget(page))) {
            QStringList shown;
            for (int column : category->shownOptionalColumns())
                shown.append(QString::number(column));
            values.append({shownColumnsName(page), shown.join(QLatin1Char(','))});
        }
    }
    return store.storeValues(values);
}

} // namespace quendal
