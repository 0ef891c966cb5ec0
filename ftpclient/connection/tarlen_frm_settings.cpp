// Reading and writing the settings file on behalf of the main window.
#include "tarlen_frm.h"

void TARLEN_Frm::loadSettings() {}

void TARLEN_Frm::saveSettings() {}
