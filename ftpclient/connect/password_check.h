#pragma once

#include "host_profiles.h"

#include <QString>

#include <functional>

class PasswordVault;
class Prompter;
class QObject;

// True when `sPW` can be stored scrambled with `sKey`; otherwise tells the
// user which character is in the way and returns false.
bool checkStorablePassword(const QString& sPW, const QString& sKey, Prompter& prompter);

// Starts filing `host`'s password (its sPW) in the keyring under its user
// and address when one runs, and returns true: the profile is then marked as
// kept there (inKeyring) and the settings file holds no password for it.
// False when no keyring runs: the password is to stay in the settings file,
// scrambled. `done` hears whether the keyring took it, once it answered; when
// it did not, the user was told first (in a box titled `title`) and the caller
// keeps the password in the settings file after all (see keyringRefused()).
// Neither happens once `context` is gone.
bool keepInKeyring(const HostInfo& host, PasswordVault* vault, Prompter& prompter,
                   const QString& title, QObject* context,
                   const std::function<void(bool stored)>& done);

// The keyring did not take the password of profile `k`, filed as `account`:
// unmarks the profile so that the settings file keeps its password. False
// when there is nothing to unmark (the profile went or changed meanwhile).
bool keyringRefused(HostProfiles& profiles, int k, const QString& account);
