#pragma once

#include "part_file.h"

#include <QString>

#include <optional>

// One command for the transfer component: what to do and on which paths.
// The client builds these directly; a command text handed to Inet::Execute
// becomes one through parseFtpCommand(), the only place that reads the text.
struct FtpCommand {
    enum class Kind {
        Pwd,
        List,
        Get,
        Put,
        Delete,
        MakeDir,
        RemoveDir,
        Rename,
        Quit,
        Stat,
        Checksum
    };

    // How a Get or a Put moves its file, beyond copying it whole.
    struct Transfer {
        // Get: what arrives goes to `part`, a part file beside the target
        // that the caller made for this download (createPartFile), and stays
        // there when the transfer stops (unless nothing arrived). A file at
        // that path that is not the recorded one is never written to: the Get
        // fails and leaves it alone. Without `part` a hidden file of the
        // component's own is used, and removed when the download fails.
        std::optional<PartFile> part;
        // Get: continue `part` from its end, but only while it is just as
        // the record says and the remote file still has `expectedSize` bytes
        // and was last modified at `expectedTime` (otherwise it starts over).
        // A part file as long as the remote file is taken as the whole of it.
        bool resume = false;
        qint64 expectedSize = -1; // -1: not known
        qint64 expectedTime = -1; // seconds since 1970 UTC; -1: not known
        // Get: begin `part` with a copy of this local file (an existing
        // target the user chose to continue) and go on from its end; the
        // file itself is left as it is until the download is whole.
        QString seedFrom;
        // Put: continue the remote file from its current size (APPE, or the
        // SFTP offset) rather than writing it anew; a missing remote file is
        // written whole, one longer than the local file fails the Put.
        bool append = false;
        // Both: give the new file the modification time of the one it copies
        // (for a Put where the server allows it: MFMT or MDTM with a time
        // over FTP, SFTP's attributes; a refusal does not fail the Put).
        bool keepTime = false;
    };

    Kind kind = Kind::Pwd;
    // List: "DIR" or "LS", as the command was written.
    QString verb;
    // List: the directory (up to and including its last "/"; empty for the
    // login directory) and the file-name pattern after it.
    QString directory;
    QString pattern;
    // List: change into the directory before listing it, so that a path
    // that leads to a file (through a link) fails rather than listing the file.
    bool enterFirst = false;
    // List: the entries carry the modification times the listing shows
    // (RemoteEntry::modified); without it they are left unknown.
    bool withTimes = false;
    // Get, Put: the remote and the local path. Delete, MakeDir, RemoveDir:
    // the remote path in `remote`. Rename: `remote` is the old path and
    // `newRemote` the new one.
    QString remote;
    QString local;
    QString newRemote;
    Transfer transfer;
    // Checksum: read the whole file through and hash it where the server
    // has no checksum to give (over SFTP always); it downloads the file.
    bool readToHash = false;

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
    // The size and modification time of a remote file (see
    // Inet::LastTransfer()); it changes nothing.
    static FtpCommand stat(const QString& remote);
    // The checksum of a remote file of `size` bytes, as the server computes
    // it (HASH, or an X command), or with `readToHash` by reading it
    // through. The result's reply is FileChecksum::text(); a checksum that
    // cannot be had (none offered, a refusal, a reply that does not hold
    // one for the whole file) fails the command with the reason.
    static FtpCommand checksum(const QString& remote, qint64 size, bool readToHash);

    // The command text, as the client's log and its commands read: "GET "
    // remote + " " + local, and so on.
    QString text() const;
    // Whether a path holds CR, LF or NUL, which would end the command early
    // on the wire: such a command is never sent.
    bool holdsLineBreak() const;
    // Whether a path the server is given (every one but `local`) holds a
    // control character (see control_characters.h): such a command is never
    // sent either.
    bool holdsControlCharacter() const;
};

// Where a download kept for resuming collects its bytes: "<target>.part",
// or with `another` > 0 "<target>.<another>.part", for when that name is
// taken; beside the target and never under the target's own name.
QString partFileFor(const QString& local, int another = 0);

// Parses a command text such as "LS /pub/*.txt" or "GET /pub/a b.txt /tmp/a b.txt".
// Returns nothing and sets *error when the text is not a command this
// component understands, or when it holds CR, LF or NUL.
std::optional<FtpCommand> parseFtpCommand(const QString& text, QString* error);
