#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QObject;

// What became of one request to a PasswordVault.
struct VaultAnswer {
    // Empty when the vault did what it was asked; otherwise a sentence for
    // the user.
    QString error;
    // read() only: the password filed under the account; nothing when there
    // is none (which is no error) or the read failed.
    std::optional<QString> password;

    bool ok() const { return error.isEmpty(); }
};

// Where a profile's password can be kept outside the settings file.
//
// store(), read() and remove() return at once. The answer comes later, from
// the event loop, to `done`: once, never before the call returned, and only
// while `context` lives (as a slot connected with a context object). An
// asker that is gone hears nothing, though what it asked for may still be
// carried out. `done` may be empty when no answer is wanted.
//
//     vault.read(account, this, [this](const VaultAnswer& answer) { ... });
class PasswordVault {
public:
    using Done = std::function<void(const VaultAnswer&)>;

    virtual ~PasswordVault() = default;
    // Whether a keyring answers now (a Secret Service on the session bus).
    // Asked on the spot: one round trip to the bus daemon, no event loop.
    virtual bool available() = 0;
    virtual void store(const QString& account, const QString& password, QObject* context,
                       Done done) = 0;
    virtual void read(const QString& account, QObject* context, Done done) = 0;
    // Nothing filed under `account` counts as removed.
    virtual void remove(const QString& account, QObject* context, Done done) = 0;
};

// The desktop's keyring through QtKeychain (service name "tarlen"). A keyring
// that has not answered a request within a few seconds is given up on with an
// error; one that answers only later may still carry out what it was asked.
std::unique_ptr<PasswordVault> makeDesktopKeyring();

// The account a profile's password is filed under: user@address.
QString vaultAccount(const QString& user, const QString& address);
