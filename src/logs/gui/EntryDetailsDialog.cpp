#include "logs/gui/EntryDetailsDialog.h"

#include "common/core/DisplayText.h"
#include "common/core/UiText.h"
#include "logs/core/SeverityText.h"
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
constexpr UiTextId kFields[] = {UiTextId::TimeColumn, UiTextId::HostColumn,
                                UiTextId::SenderAddressField, UiTextId::FacilityField,
                                UiTextId::SeverityField};

} // namespace

EntryDetailsDialog::EntryDetailsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(GetUiText(UiTextId::EntryDetailsTitle));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (UiTextId text : kFields) {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(GetUiText(text), label);
        values_.append({text, label});
    }
    message_ = new QPlainTextEdit(this);
    message_->setReadOnly(true);
    message_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    form->addRow(GetUiText(UiTextId::MessageColumn), message_);
    rawLabel_ = new QLabel(GetUiText(UiTextId::RawBytesField), this);
    raw_ = new QPlainTextEdit(this);
    raw_->setReadOnly(true);
    raw_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    form->addRow(rawLabel_, raw_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(GetUiText(UiTextId::Close));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 420);
}

QLabel* EntryDetailsDialog::value(UiTextId field) const
{
    for (const auto& [text, label] : values_)
        if (text == field)
            return label;
    return nullptr;
}

QString EntryDetailsDialog::fieldText(UiTextId field) const
{
    const QLabel* label = value(field);
    return label ? label->text() : QString();
}

void EntryDetailsDialog::showEntry(LogCategory category, const LogEntry& entry)
{
    value(UiTextId::TimeColumn)->setText(decodeForDisplay(entry.time));
    value(UiTextId::HostColumn)->setText(decodeForDisplay(entry.host));
    // Entries read back from a file keep neither sender nor severity (beyond emergency).
    value(UiTextId::SenderAddressField)
        ->setText(entry.sender.isEmpty() ? GetUiText(UiTextId::NotKept)
                                         : decodeForDisplay(entry.sender));
    const int facility = categoryIndex(category) + 16;
    value(UiTextId::FacilityField)
        ->setText(QStringLiteral("local%1 (%2)").arg(facility - 16).arg(facility));
    value(UiTextId::SeverityField)
        ->setText(entry.severity == Severity::Unknown ? GetUiText(UiTextId::NotKept)
                                                      : severityText(entry.severity));
    message_->setPlainText(decodeForDisplay(entry.message));

    QString raw;
    const std::pair<UiTextId, const QByteArray*> texts[] = {
        {UiTextId::TimeColumn, &entry.time},
        {UiTextId::HostColumn, &entry.host},
        {UiTextId::MessageColumn, &entry.message}};
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
