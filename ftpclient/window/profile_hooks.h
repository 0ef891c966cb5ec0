#pragma once

#include "host_profiles.h"

#include <functional>

// The saved profile the window is logged in with, for the parts that keep
// something with it (its folder pairs, its server's clock).
struct ProfileHooks {
    // The profile; nullptr when not connected or when the login is not a
    // saved profile.
    std::function<HostInfo*()> current;
    // Writes the settings file with the change; says so when it could not.
    std::function<void()> keep;
};
