#pragma once

#include "queue_login.h"

#include <QHash>
#include <QString>

struct TransferItem;

// The login of the items queued from now on, and the login of every server
// and account items were queued for, so that each item goes on with its own.
class QueueLogins {
public:
    // Makes `login` the current one; a login to the same server and account
    // again replaces what was known of it (its password, what it trusts).
    void set(const QueueLogin& login);
    const QueueLogin& current() const { return m_login; }
    // The current login's key; "" before there is a login.
    const QString& currentKey() const { return m_loginKey; }
    // The login an item moves with.
    const QueueLogin& of(const TransferItem& item) const;

private:
    QueueLogin m_login;
    QString m_loginKey;
    QHash<QString, QueueLogin> m_logins;
};
