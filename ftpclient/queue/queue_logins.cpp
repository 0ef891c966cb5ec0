#include "queue_logins.h"

#include "transfer_item.h"

void QueueLogins::set(const QueueLogin& login) {
    m_login = login;
    m_loginKey = login.address.isEmpty() ? QString() : login.key();
    if (!m_loginKey.isEmpty())
        m_logins.insert(m_loginKey, login);
}

const QueueLogin& QueueLogins::of(const TransferItem& item) const {
    const auto found = m_logins.constFind(item.loginKey);
    return found != m_logins.cend() ? found.value() : m_login;
}
