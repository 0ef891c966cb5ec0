#pragma once

#include "ftp_address.h"

#include <QObject>
#include <QPointer>

#include <optional>

class Inet;

// The session's transfer component. After a refusal or a cancel the old one
// is let go and a fresh one takes over with the same login, so that nothing
// of the abandoned exchange carries over.
class SessionComponent : public QObject {
    Q_OBJECT

public:
    explicit SessionComponent(QObject* parent = nullptr);
    ~SessionComponent() override;

    // Element 1 of the transfer component; nullptr once released.
    Inet* Inet1() const;
    // A fresh component with the old one's address, user, password and
    // protocol. The old one may be the one whose event is being handled
    // right now: it is let go once control is back in the event loop.
    void renew();
    // Cancels what the component does and lets it go for good.
    void release();
    // The server the component's address names; nothing when it cannot be
    // read (Execute refuses it then).
    std::optional<FtpAddress> address() const;

signals:
    // The component's SecurityEstablished: a new connection is protected as
    // its Security() says.
    void securityEstablished();

private:
    void create();

    QPointer<Inet> m_inet1;
};
