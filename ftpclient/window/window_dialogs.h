#pragma once

#include "host_profiles.h"
#include "preferences.h"

#include <QString>

#include <functional>
#include <optional>

// The dialogs the window shows, each as a function that tests replace with
// a scripted one.
struct WindowDialogs {
    // The connect dialog; the chosen host, or nothing when cancelled.
    std::function<std::optional<HostInfo>()> showConnectDialog;
    // The preferences dialog; what was chosen, or nothing when cancelled.
    std::function<std::optional<Preferences>(const Preferences&)> showPreferences;
    // Where a synchronisation's dry run is written, `suggested` being a file
    // name; "" when cancelled.
    std::function<QString(const QString& suggested)> chooseDryRunFile;
};
