#pragma once

#include "logs/core/LogCategory.h"

#include <QWidget>

namespace quendal {

class CColorListCtrl;
class LogList;

// A category's tab: one colour list of its entries, Time, Host and Message, newest on top.
class CCategoryPage : public QWidget
{
    Q_OBJECT

public:
    // Column widths in percent of kListWidth pixels.
    static constexpr int kListWidth = 1224;

    CCategoryPage(LogCategory category, LogList* list, QWidget* parent = nullptr);

    LogCategory category() const { return category_; }
    CColorListCtrl* listCtrl() const { return listCtrl_; }

    // Column captions from the UI texts and the column widths; run again after the texts change.
    void OnInitDialog();

private:
    LogCategory category_;
    CColorListCtrl* listCtrl_;
};

// The five category pages, in the order of their tabs.
class CFireWallPage : public CCategoryPage
{
    Q_OBJECT
public:
    explicit CFireWallPage(LogList* list, QWidget* parent = nullptr)
        : CCategoryPage(LogCategory::FireWall, list, parent)
    {}
};

class CVPNPage : public CCategoryPage
{
    Q_OBJECT
public:
    explicit CVPNPage(LogList* list, QWidget* parent = nullptr)
        : CCategoryPage(LogCategory::VPN, list, parent)
    {}
};

class CUserAccessPage : public CCategoryPage
{
    Q_OBJECT
public:
    explicit CUserAccessPage(LogList* list, QWidget* parent = nullptr)
        : CCategoryPage(LogCategory::UserAccess, list, parent)
    {}
};

class CCallLogPage : public CCategoryPage
{
    Q_OBJECT
public:
    explicit CCallLogPage(LogList* list, QWidget* parent = nullptr)
        : CCategoryPage(LogCategory::Call, list, parent)
    {}
};

class CWanLogPage : public CCategoryPage
{
    Q_OBJECT
public:
    explicit CWanLogPage(LogList* list, QWidget* parent = nullptr)
        : CCategoryPage(LogCategory::Wan, list, parent)
    {}
};

} // namespace quendal
