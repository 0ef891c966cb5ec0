#include "password_check.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "password_scramble.h"
#include "password_vault.h"

bool checkStorablePassword(const QString& sPW, const QString& sKey, Prompter& prompter) {
    const qsizetype i = unstorablePWChar(sPW, sKey);
    if (i < 0)
        return true;
    // A character outside the basic plane is two code units: show both.
    const qsizetype length = sPW[i].isHighSurrogate() && i + 1 < sPW.size() ? 2 : 1;
    prompter.beep();
    prompter.message(
        QStringLiteral("The password cannot be saved: its character \"%1\" (character %2) "
                       "cannot be stored in the settings file. Choose a password without it, "
                       "or clear \"Save Password\" to save the profile without its password.")
            .arg(sPW.mid(i, length))
            .arg(i + 1),
        Titles::Caption, Prompter::Icon::Critical);
    return false;
}

bool keepInKeyring(const HostInfo& host, PasswordVault* vault, Prompter& prompter,
                   const QString& title, QObject* context,
                   const std::function<void(bool stored)>& done) {
    if (!vault || !vault->available())
        return false;
    vault->store(vaultAccount(host.sUser, host.sAddr), host.sPW, context,
                 [&prompter, title, done](const VaultAnswer& answer) {
                     if (!answer.ok())
                         prompter.message(answer.error +
                                              QStringLiteral(" The password is kept scrambled in "
                                                             "the settings file instead."),
                                          title, Prompter::Icon::Warning);
                     if (done)
                         done(answer.ok());
                 });
    return true;
}

bool keyringRefused(HostProfiles& profiles, int k, const QString& account) {
    if (k < 0 || k >= profiles.Hosts.size())
        return false;
    HostInfo& host = profiles.Hosts[k];
    if (!host.inKeyring || vaultAccount(host.sUser, host.sAddr) != account)
        return false;
    host.inKeyring = false;
    return true;
}
