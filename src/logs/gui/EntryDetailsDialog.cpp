#include "logs/gui/EntryDetailsDialog.h"

#include "common/core/UiText.h"
#include "common/core/DisplayText.h"
#include "logs/gui/EntryCopyText.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quendal {
namespace {

// Rows of the form, by the UI text of their label.
constexpr int kFields[] = {9011, 9012, 9094, 9092, 9093};

} // namespace

EntryDetailsDialog::EntryDetailsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(GetUiText(9096));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (int text : kFields) {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(GetUiText(text), label);
        values_.append({text, label});
    }
    message_ = new QPlainTextEdit(this);
    message_->setReadOnly(true);
    message_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    form->addRow(GetUiText(9013), message_);
    rawLabel_ = new QLabel(GetUiText(9095), this);
    raw_ = new QPlainTextEdit(this);
    raw_->setReadOnly(true);
    raw_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    form->addRow(rawLabel_, raw_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(GetUiText(9097));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 420);
}

QLabel* EntryDetailsDialog::value(int uiText) const
{
    for (const auto& [text, label] : values_)
        if (text == uiText)
            return label;
    return nullptr;
}

QString EntryDetailsDialog::fieldText(int uiText) const
{
    const QLabel* label = value(uiText);
    return label ? label->text() : QString();
}

void EntryDetailsDialog::showEntry(LogCategory category, const LogEntry& entry)
{
    value(9011)->setText(decodeForDisplay(entry.time));
    value(9012)->setText(decodeForDisplay(entry.host));
    // The list keeps the text of the entry, not the datagram's source address.
    value(9094)->setText(GetUiText(9107));
    const int facility = categoryIndex(category) + 16;
    value(9092)->setText(QStringLiteral("local%1 (%2)").arg(facility - 16).arg(facility));
    // Only "emergency or not" survives in the row: its colour.
    value(9093)->setText(entry.colour == RED ? GetUiText(9127) : GetUiText(9107));
    message_->setPlainText(decodeForDisplay(entry.message));

    QString raw;
    const std::pair<int, const QByteArray*> texts[] = {
        {9011, &entry.time}, {9012, &entry.host}, {9013, &entry.message}};
    for (const auto& [caption, bytes] : texts) {
        if (!hasHiddenBytes(*bytes))
            continue;
        if (!raw.isEmpty())
            raw += QLatin1Char('\n');
        raw += GetUiText(caption) + QLatin1Char('\n') + hexLines(*bytes);
    }
    raw_->setPlainText(raw);
    rawLabel_->setVisible(!raw.isEmpty());
    raw_->setVisible(!raw.isEmpty());
}

} // namespace quendal
