#pragma once

#include "logs/core/LogCategory.h"
#include "logs/core/LogEntry.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;

namespace quendal {

// The whole of one entry: Time, Host, where it came from, facility and severity by name, the
// message wrapped, and the raw bytes in hex where a text holds bytes that do not show as they
// are. The list keeps no sender address and no severity other than "emergency or not", so the
// dialog says so instead of guessing.
class EntryDetailsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit EntryDetailsDialog(QWidget* parent = nullptr);

    void showEntry(LogCategory category, const LogEntry& entry);

    QString fieldText(UiTextId field) const;
    QPlainTextEdit* messageView() const { return message_; }
    QPlainTextEdit* rawView() const { return raw_; }

private:
    QLabel* value(UiTextId field) const;

    QList<std::pair<UiTextId, QLabel*>> values_;
    QPlainTextEdit* message_;
    QLabel* rawLabel_;
    QPlainTextEdit* raw_;
};

} // namespace quendal
