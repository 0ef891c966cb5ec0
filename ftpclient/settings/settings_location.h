#pragma once

#include <QString>

// Where the settings live: "tarlen.ini" in the user's configuration directory
// (normally ~/.config/tarlen.ini; $XDG_CONFIG_HOME moves it).
QString settingsFilePath();
