#include "session_component.h"

#include "inet.h"

namespace {

constexpr int kRequestTimeoutSeconds = 30;

} // namespace

SessionComponent::SessionComponent(QObject* parent)
    : QObject(parent) {
    create();
}

SessionComponent::~SessionComponent() {
    release();
}

Inet* SessionComponent::Inet1() const {
    return m_inet1.data();
}

void SessionComponent::create() {
    m_inet1 = new Inet(this);
    m_inet1->setRequestTimeout(kRequestTimeoutSeconds);
    connect(m_inet1, &Inet::SecurityEstablished, this, &SessionComponent::securityEstablished);
}

void SessionComponent::renew() {
    const QString url = m_inet1 ? m_inet1->URL() : QString();
    const QString user = m_inet1 ? m_inet1->UserName() : QString();
    const QString password = m_inet1 ? m_inet1->Password() : QString();
    const ServerProtocol protocol = m_inet1 ? m_inet1->serverProtocol() : ServerProtocol::PlainFtp;
    release();
    create();
    m_inet1->setProtocol(Inet::ProtocolFtp);
    m_inet1->setURL(url);
    m_inet1->setUserName(user);
    m_inet1->setPassword(password);
    m_inet1->setServerProtocol(protocol);
}

void SessionComponent::release() {
    if (!m_inet1)
        return;
    m_inet1->disconnect(this);
    m_inet1->Cancel();
    m_inet1->deleteLater();
    m_inet1 = nullptr;
}

std::optional<FtpAddress> SessionComponent::address() const {
    if (!m_inet1)
        return std::nullopt;
    return parseServerAddress(m_inet1->URL(), m_inet1->serverProtocol(), nullptr);
}
