#pragma once

#include <QString>

#include <optional>

// One command text handed to Inet::Execute, taken apart.
struct FtpCommand {
    enum class Kind { Pwd, List, Get, Put, Delete, MakeDir, RemoveDir, Rename, Quit };

    Kind kind = Kind::Pwd;
    // List: the directory (up to and including its last "/"; empty for the
    // login directory) and the file-name pattern after it.
    QString directory;
    QString pattern;
    // Get, Put: the remote and the local path. Delete, MakeDir, RemoveDir:
    // the remote path in `remote`. Rename: `remote` is the old path and
    // `newRemote` the new one.
    QString remote;
    QString local;
    QString newRemote;
};

// Parses a command text such as "LS /pub/*.txt" or "GET /pub/a b.txt /tmp/a b.txt".
// Returns nothing and sets *error when the text is not a command this
// component understands, or when it holds CR, LF or NUL.
std::optional<FtpCommand> parseFtpCommand(const QString& text, QString* error);
