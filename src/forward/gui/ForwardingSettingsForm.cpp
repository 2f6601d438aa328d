#include "forward/gui/ForwardingSettingsForm.h"

#include "common/core/UiText.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace quendal {

using namespace Qt::StringLiterals;

ForwardingSettingsForm::ForwardingSettingsForm(QWidget* parent)
    : QGroupBox(GetUiText(UiTextId::ForwardingGroup), parent), urls_(new QPlainTextEdit(this)),
      ca_(new QLineEdit(this)), cert_(new QLineEdit(this)), key_(new QLineEdit(this)),
      problem_(new QLabel(this))
{
    auto* form = new QFormLayout(this);
    urls_->setPlaceholderText(u"tls://collector.example:6514"_s);
    urls_->setTabChangesFocus(true);
    urls_->setMaximumHeight(urls_->fontMetrics().lineSpacing() * 4);
    ca_->setPlaceholderText(GetUiText(UiTextId::SystemTrustStore));
    form->addRow(GetUiText(UiTextId::ForwardCollectorsLabel), urls_);
    form->addRow(GetUiText(UiTextId::ForwardCaLabel), ca_);
    form->addRow(GetUiText(UiTextId::ForwardCertificateLabel), cert_);
    form->addRow(GetUiText(UiTextId::ForwardKeyLabel), key_);
    problem_->setWordWrap(true);
    problem_->hide();
    form->addRow(problem_);
}

void ForwardingSettingsForm::load(const StoredForwarding& f)
{
    urls_->setPlainText(f.urls.join(u'\n'));
    ca_->setText(f.caFile);
    cert_->setText(f.certFile);
    key_->setText(f.keyFile);
    problem_->hide();
}

StoredForwarding ForwardingSettingsForm::forwarding() const
{
    StoredForwarding f;
    for (const QString& line : urls_->toPlainText().split(u'\n'))
        if (const QString url = line.trimmed(); !url.isEmpty())
            f.urls << url;
    f.caFile = ca_->text().trimmed();
    f.certFile = cert_->text().trimmed();
    f.keyFile = key_->text().trimmed();
    return f;
}

QString ForwardingSettingsForm::check(const QString& logFolder)
{
    QString problem;
    if (forwardSettingsFor(forwarding(), logFolder, &problem))
        problem.clear();
    problem_->setText(problem);
    problem_->setVisible(!problem.isEmpty());
    return problem;
}

} // namespace quendal
