#pragma once

#include "launch_target.h"

#include <QStringList>

#include <optional>

// What tarlen was asked on its command line:
//   tarlen [--help] [--version] [URL]
// Read before any window exists, so that --help and --version work where
// there is no display.
struct CommandLine {
    // Set when tarlen is to print `output` and stop with `exitCode` (0 for
    // --help and --version, 2 for a command line it cannot use).
    std::optional<int> exitCode;
    QString output;
    // The options were not understood; they may still be the toolkit's own
    // (-platform, -style ...), which only the application object removes.
    bool unknownOptions = false;
    // A server to connect to straight away.
    std::optional<LaunchTarget> target;
};

// `arguments` as QCoreApplication::arguments() gives them, program first.
CommandLine readCommandLine(const QStringList& arguments);
