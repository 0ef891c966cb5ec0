#pragma once

#include "host_profiles.h"

#include <QString>

#include <memory>

class PasswordVault;
class Prompter;
class SettingsWindow;

// The settings file and what it keeps besides the window's own state (which
// comes in as a SettingsWindow): the host profiles, the key that scrambles
// their passwords, and the desktop's keyring that holds passwords instead
// when it runs.
class SettingsStore {
public:
    explicit SettingsStore(Prompter& prompter);
    ~SettingsStore();

    HostProfiles& profiles() { return m_profiles; }
    // The key that scrambles the saved passwords; set by load().
    const QString& key() const { return m_key; }
    // Where the settings are kept: the file given (tests give a temporary
    // one), else the usual one.
    void setFile(const QString& path) { m_file = path; }
    QString path() const;

    // Reads the file into the window and the profiles.
    void load(SettingsWindow& window);
    // Writes the settings file now; false when it could not be replaced.
    bool write(const SettingsWindow& window);
    // Takes the profiles as the connect dialog left them and writes them at
    // once; says so when they could not be written.
    void keepProfiles(const HostProfiles& changed, const SettingsWindow& window);
    // The desktop's keyring, looked for when a password is first needed.
    PasswordVault& vault();

private:
    Prompter& m_prompter;
    HostProfiles m_profiles;
    QString m_key;
    QString m_file;
    std::unique_ptr<PasswordVault> m_vault;
};
