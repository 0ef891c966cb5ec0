#include "keyring_requests.h"

#include "common/prompter.h"
#include "password_check.h"
#include "password_vault.h"

#include <QWidget>

#include <utility>

KeyringRequests::KeyringRequests(HostProfiles& profiles, Prompter& prompter, QWidget& dialog)
    : m_profiles(profiles)
    , m_prompter(prompter)
    , m_dialog(dialog) {}

bool KeyringRequests::keyringRuns() const {
    return m_vault && m_vault->available();
}

void KeyringRequests::showAnew() {
    ++m_showing;
    m_passwordOnItsWay = false;
    m_saveWhenAnswered = false;
}

void KeyringRequests::fetchPassword(int k) {
    if (!m_vault)
        return;
    const HostInfo& host = m_profiles.Hosts[k];
    const QString account = vaultAccount(host.sUser, host.sAddr);
    const quint64 showing = m_showing;
    m_passwordOnItsWay = true;
    ++m_requests;
    m_vault->read(account, this, [this, k, account, showing](const VaultAnswer& answer) {
        if (!answer.ok())
            m_prompter.message(answer.error, m_dialog.windowTitle(), Prompter::Icon::Warning);
        const QString password = answer.password.value_or(QString());
        if (k < m_profiles.Hosts.size()) {
            HostInfo& host = m_profiles.Hosts[k];
            if (host.inKeyring && host.sPW.isEmpty() &&
                vaultAccount(host.sUser, host.sAddr) == account)
                host.sPW = password;
        }
        if (showing == m_showing) {
            m_passwordOnItsWay = false;
            emit passwordArrived(password);
        }
        answered();
    });
}

void KeyringRequests::answerLateSavesTo(QObject* context, LateRefusal refused) {
    m_lateContext = context;
    m_lateRefusal = std::move(refused);
}

// The keyring's answer to a save goes to the dialog while it is there, else
// to whoever keeps the profiles after it (the message comes either way).
void KeyringRequests::keepPassword(int k) {
    HostInfo& host = m_profiles.Hosts[k];
    const QString account = vaultAccount(host.sUser, host.sAddr);
    QObject* const context = m_lateContext ? m_lateContext.data() : this;
    const QPointer<KeyringRequests> self(this);
    host.inKeyring = keepInKeyring(host, m_vault, m_prompter, m_dialog.windowTitle(), context,
                                   [self, k, account, late = m_lateRefusal](bool stored) {
                                       if (self)
                                           self->saveAnswered(k, account, stored);
                                       else if (!stored && late)
                                           late(k, account);
                                   });
    if (host.inKeyring)
        ++m_requests;
}

void KeyringRequests::saveAnswered(int k, const QString& account, bool stored) {
    if (!stored && keyringRefused(m_profiles, k, account))
        emit profilesChanged();
    answered();
}

void KeyringRequests::forgetPassword(const HostInfo& gone) {
    if (!gone.inKeyring || !m_vault)
        return;
    ++m_requests;
    m_vault->remove(vaultAccount(gone.sUser, gone.sAddr), this,
                    [this](const VaultAnswer&) { answered(); });
}

void KeyringRequests::dropWaiting() {
    m_saveWhenAnswered = false;
    m_connectWhenAnswered = false;
}

// A Save that waited for the password goes on, then a Connect that waited
// for the keyring (which then waits for what Save asked, too).
void KeyringRequests::answered() {
    --m_requests;
    if (!m_passwordOnItsWay && std::exchange(m_saveWhenAnswered, false))
        emit saveMayGoOn();
    if (!busy() && std::exchange(m_connectWhenAnswered, false))
        emit connectMayGoOn();
}
