#pragma once

#include "host_profiles.h"

#include <QString>

class PasswordVault;
class Prompter;

// True when `sPW` can be stored scrambled with `sKey`; otherwise tells the
// user which character is in the way and returns false.
bool checkStorablePassword(const QString& sPW, const QString& sKey, Prompter& prompter);

// Files `host`'s password (its sPW) in the keyring under its user and
// address when one runs. False when the password is to stay in the settings
// file, scrambled: no keyring runs, or it would not take the password (the
// user is told, in a box titled `title`).
bool keepInKeyring(const HostInfo& host, PasswordVault* vault, Prompter& prompter,
                   const QString& title);
