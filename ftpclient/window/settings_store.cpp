#include "settings_store.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "password_vault.h"
#include "settings_file.h"
#include "settings_location.h"

SettingsStore::SettingsStore(Prompter& prompter)
    : m_prompter(prompter) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::path() const {
    return m_file.isEmpty() ? settingsFilePath() : m_file;
}

void SettingsStore::load(SettingsWindow& window) {
    m_key = QStringLiteral("mavrq5216");
    LoadSettings(window, m_profiles, m_key, path());
}

bool SettingsStore::write(const SettingsWindow& window) {
    return SaveSettings(window, m_profiles, m_key, path());
}

// A profile saved or deleted in the dialog is written at once, so that it
// outlives a crash (and a password it put into the keyring has a profile
// that names it).
void SettingsStore::keepProfiles(const HostProfiles& changed, const SettingsWindow& window) {
    m_profiles = changed;
    if (!write(window))
        m_prompter.message(
            QStringLiteral("The profiles could not be written to %1; they are kept until tarlen "
                           "quits.")
                .arg(path()),
            Titles::Caption, Prompter::Icon::Warning);
}

PasswordVault& SettingsStore::vault() {
    if (!m_vault)
        m_vault = makeDesktopKeyring();
    return *m_vault;
}
