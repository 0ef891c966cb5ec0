#pragma once

#include "connection_security.h"

#include <QWidget>

// The window's word on the connection: a closed padlock and "Encrypted"
// while it is protected, an open one and "Not encrypted" while it is not,
// nothing while there is none. The tooltip tells the protocol and, for TLS,
// the version and cipher, for SSH the host key.
class SecurityMark : public QWidget {
    Q_OBJECT

public:
    explicit SecurityMark(QWidget* parent = nullptr);

    void showSecurity(const ConnectionSecurity& security);
    void clear();

    // What the mark says, as shown.
    QString text() const { return m_text; }
    bool encrypted() const { return m_encrypted; }

    // Room for the padlock and either caption, broken between its words.
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    bool m_encrypted = false;
};
