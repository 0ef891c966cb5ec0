#pragma once

#include <QString>

#include <optional>

// One command for the transfer component: what to do and on which paths.
// The client builds these directly; a command text handed to Inet::Execute
// becomes one through parseFtpCommand(), the only place that reads the text.
struct FtpCommand {
    enum class Kind { Pwd, List, Get, Put, Delete, MakeDir, RemoveDir, Rename, Quit };

    Kind kind = Kind::Pwd;
    // List: "DIR" or "LS", as the command was written.
    QString verb;
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

    static FtpCommand pwd();
    static FtpCommand quit();
    // "DIR" alone lists the login directory; otherwise `path` is a directory
    // up to its last "/" followed by a file-name pattern.
    static FtpCommand list(const QString& verb, const QString& path = {});
    static FtpCommand get(const QString& remote, const QString& local);
    static FtpCommand put(const QString& local, const QString& remote);
    static FtpCommand remove(const QString& remote);
    static FtpCommand makeDirectory(const QString& remote);
    static FtpCommand removeDirectory(const QString& remote);
    static FtpCommand rename(const QString& from, const QString& to);

    // The command text, as the client's log and its commands read: "GET "
    // remote + " " + local, and so on.
    QString text() const;
    // Whether a path holds CR, LF or NUL, which would end the command early
    // on the wire: such a command is never sent.
    bool holdsLineBreak() const;
};

// Parses a command text such as "LS /pub/*.txt" or "GET /pub/a b.txt /tmp/a b.txt".
// Returns nothing and sets *error when the text is not a command this
// component understands, or when it holds CR, LF or NUL.
std::optional<FtpCommand> parseFtpCommand(const QString& text, QString* error);
