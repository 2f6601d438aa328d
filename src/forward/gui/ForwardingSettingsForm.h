#pragma once

#include "app/core/ForwardStore.h"

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace quendal {

// The Forwarding section of the settings: the collectors, one URL a line, the file of
// certificate authorities and the client certificate with its key.
class ForwardingSettingsForm : public QGroupBox
{
    Q_OBJECT

public:
    explicit ForwardingSettingsForm(QWidget* parent = nullptr);

    void load(const StoredForwarding& forwarding);
    StoredForwarding forwarding() const;
    // Why the fields cannot be used (a URL, a file), shown in the form; empty when they can.
    QString check(const QString& logFolder);

    QPlainTextEdit* urlsEdit() const { return urls_; }
    QLineEdit* caEdit() const { return ca_; }
    QLineEdit* certEdit() const { return cert_; }
    QLineEdit* keyEdit() const { return key_; }

private:
    QPlainTextEdit* urls_;
    QLineEdit* ca_;
    QLineEdit* cert_;
    QLineEdit* key_;
    QLabel* problem_;
};

} // namespace quendal
