#pragma once

#include <QString>

#include <memory>
#include <optional>

// Where a profile's password can be kept outside the settings file.
class PasswordVault {
public:
    virtual ~PasswordVault() = default;
    // Whether a keyring answers now (a Secret Service on the session bus).
    virtual bool available() = 0;
    // Each returns false / nullopt on failure and puts a sentence for the
    // user into *error (when error is not null). read(): nullopt with an
    // empty error when there simply is no password for `account`.
    virtual bool store(const QString& account, const QString& password, QString* error) = 0;
    virtual std::optional<QString> read(const QString& account, QString* error) = 0;
    virtual bool remove(const QString& account, QString* error) = 0;
};

// The desktop's keyring through QtKeychain (service name "tarlen"). Each call
// waits for the keyring's answer in a local event loop (user input is held
// back meanwhile) for at most a few seconds, then gives up with an error; a
// keyring that answers only later may still carry out what it was asked.
std::unique_ptr<PasswordVault> makeDesktopKeyring();

// The account a profile's password is filed under: user@address.
QString vaultAccount(const QString& user, const QString& address);
