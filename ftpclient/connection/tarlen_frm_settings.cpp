// Reading and writing the settings file on behalf of the main window.
#include "tarlen_frm.h"

#include "settings/settings_file.h"

void TARLEN_Frm::loadSettings() {
    LoadSettings(*this, profiles, sKey, settingsFile.isEmpty() ? settingsFilePath() : settingsFile);
}

void TARLEN_Frm::saveSettings() {
    SaveSettings(*this, profiles, sKey, settingsFile.isEmpty() ? settingsFilePath() : settingsFile);
}
