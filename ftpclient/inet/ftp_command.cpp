#include "ftp_command.h"

#include "control_characters.h"

#include <QStringList>

namespace {

QStringView fileNamePart(QStringView path) {
    return path.sliced(path.lastIndexOf(u'/') + 1);
}

QStringView directoryPart(QStringView path) {
    return path.first(path.lastIndexOf(u'/') + 1);
}

// Paths may hold blanks, so the blank that separates the two paths of a
// command is the first one at which both halves satisfy `fits`.
template <typename Fits>
bool splitPaths(QStringView args, Fits fits, QString* first, QString* second) {
    for (qsizetype i = args.indexOf(u' '); i >= 0; i = args.indexOf(u' ', i + 1)) {
        const QStringView a = args.first(i);
        const QStringView b = args.sliced(i + 1);
        if (!a.isEmpty() && !b.isEmpty() && fits(a, b)) {
            *first = a.toString();
            *second = b.toString();
            return true;
        }
    }
    return false;
}

bool sameFileName(QStringView a, QStringView b) {
    const QStringView name = fileNamePart(a);
    return !name.isEmpty() && name == fileNamePart(b);
}

bool sameDirectory(QStringView a, QStringView b) {
    return !fileNamePart(a).isEmpty() && !fileNamePart(b).isEmpty() &&
           directoryPart(a) == directoryPart(b);
}

} // namespace

FtpCommand FtpCommand::pwd() {
    return FtpCommand{};
}

FtpCommand FtpCommand::quit() {
    FtpCommand cmd;
    cmd.kind = Kind::Quit;
    return cmd;
}

FtpCommand FtpCommand::list(const QString& verb, const QString& path) {
    FtpCommand cmd;
    cmd.kind = Kind::List;
    cmd.verb = verb;
    cmd.directory = directoryPart(path).toString();
    cmd.pattern = fileNamePart(path).toString();
    return cmd;
}

FtpCommand FtpCommand::get(const QString& remote, const QString& local) {
    FtpCommand cmd;
    cmd.kind = Kind::Get;
    cmd.remote = remote;
    cmd.local = local;
    return cmd;
}

FtpCommand FtpCommand::put(const QString& local, const QString& remote) {
    FtpCommand cmd = get(remote, local);
    cmd.kind = Kind::Put;
    return cmd;
}

FtpCommand FtpCommand::remove(const QString& remote) {
    FtpCommand cmd;
    cmd.kind = Kind::Delete;
    cmd.remote = remote;
    return cmd;
}

FtpCommand FtpCommand::makeDirectory(const QString& remote) {
    FtpCommand cmd = remove(remote);
    cmd.kind = Kind::MakeDir;
    return cmd;
}

FtpCommand FtpCommand::removeDirectory(const QString& remote) {
    FtpCommand cmd = remove(remote);
    cmd.kind = Kind::RemoveDir;
    return cmd;
}

FtpCommand FtpCommand::rename(const QString& from, const QString& to) {
    FtpCommand cmd = remove(from);
    cmd.kind = Kind::Rename;
    cmd.newRemote = to;
    return cmd;
}

FtpCommand FtpCommand::stat(const QString& remote) {
    FtpCommand cmd = remove(remote);
    cmd.kind = Kind::Stat;
    return cmd;
}

FtpCommand FtpCommand::checksum(const QString& remote, qint64 size, bool readToHash) {
    FtpCommand cmd = remove(remote);
    cmd.kind = Kind::Checksum;
    cmd.transfer.expectedSize = size;
    cmd.readToHash = readToHash;
    return cmd;
}

QString FtpCommand::text() const {
    switch (kind) {
    case Kind::Pwd:
        return QStringLiteral("PWD");
    case Kind::Quit:
        return QStringLiteral("QUIT");
    case Kind::List: {
        const QString path = directory + pattern;
        return path.isEmpty() ? verb : verb + u' ' + path;
    }
    case Kind::Get:
        return QStringLiteral("GET ") + remote + u' ' + local;
    case Kind::Put:
        return QStringLiteral("PUT ") + local + u' ' + remote;
    case Kind::Delete:
        return QStringLiteral("DELETE ") + remote;
    case Kind::MakeDir:
        return QStringLiteral("MKDIR ") + remote;
    case Kind::RemoveDir:
        return QStringLiteral("RMDIR ") + remote;
    case Kind::Rename:
        return QStringLiteral("RENAME ") + remote + u' ' + newRemote;
    case Kind::Stat:
        return QStringLiteral("STAT ") + remote;
    case Kind::Checksum:
        return QStringLiteral("CHECKSUM ") + remote;
    }
    return {};
}

bool FtpCommand::holdsLineBreak() const {
    for (const QString* part : {&verb, &directory, &pattern, &remote, &local, &newRemote})
        for (QChar c : *part)
            if (c == u'\r' || c == u'\n' || c == u'\0')
                return true;
    return false;
}

bool FtpCommand::holdsControlCharacter() const {
    for (const QString* part : {&verb, &directory, &pattern, &remote, &newRemote})
        if (::holdsControlCharacter(*part))
            return true;
    return false;
}

QString partFileFor(const QString& local, int another) {
    if (another > 0)
        return local + u'.' + QString::number(another) + QStringLiteral(".part");
    return local + QStringLiteral(".part");
}

namespace {

std::optional<FtpCommand> failParse(QString* error, const QString& why) {
    if (error)
        *error = why;
    return std::nullopt;
}

// "GET remote local" and "PUT local remote": two paths that end in the
// same file name.
std::optional<FtpCommand> parseTransfer(const QString& verb, const QString& args, QString* error) {
    QString first, second;
    if (!splitPaths(args, sameFileName, &first, &second))
        return failParse(error, QStringLiteral("The command \"%1\" needs two paths that end in "
                                               "the same file name.")
                                    .arg(verb));
    const bool get = verb == u"GET";
    FtpCommand cmd;
    cmd.kind = get ? FtpCommand::Kind::Get : FtpCommand::Kind::Put;
    cmd.remote = get ? first : second;
    cmd.local = get ? second : first;
    return cmd;
}

std::optional<FtpCommand> parseRename(const QString& args, QString* error) {
    FtpCommand cmd;
    if (!splitPaths(args, sameDirectory, &cmd.remote, &cmd.newRemote))
        return failParse(error, QStringLiteral("The command \"RENAME\" needs an old and a new "
                                               "path in the same directory."));
    cmd.kind = FtpCommand::Kind::Rename;
    return cmd;
}

} // namespace

std::optional<FtpCommand> parseFtpCommand(const QString& text, QString* error) {
    for (QChar c : text)
        if (c == u'\r' || c == u'\n' || c == u'\0')
            return failParse(error, QStringLiteral("The command contains a line break or a NUL "
                                                   "character and was not sent."));

    const qsizetype blank = text.indexOf(u' ');
    const QString verb = (blank < 0 ? text : text.left(blank)).toUpper();
    const QString args = blank < 0 ? QString() : text.mid(blank + 1);

    FtpCommand cmd;
    auto needArgs = [&](FtpCommand::Kind kind) -> std::optional<FtpCommand> {
        if (args.isEmpty())
            return failParse(error, QStringLiteral("The command \"%1\" needs a path.").arg(verb));
        cmd.kind = kind;
        cmd.remote = args;
        return cmd;
    };

    if (verb == u"PWD" && args.isEmpty()) {
        cmd.kind = FtpCommand::Kind::Pwd;
        return cmd;
    }
    if (verb == u"QUIT" && args.isEmpty()) {
        cmd.kind = FtpCommand::Kind::Quit;
        return cmd;
    }
    if (verb == u"DIR" || verb == u"LS")
        return FtpCommand::list(text.left(blank < 0 ? text.size() : blank), args);
    if (verb == u"GET" || verb == u"PUT")
        return parseTransfer(verb, args, error);
    if (verb == u"RENAME")
        return parseRename(args, error);
    if (verb == u"DELETE")
        return needArgs(FtpCommand::Kind::Delete);
    if (verb == u"MKDIR")
        return needArgs(FtpCommand::Kind::MakeDir);
    if (verb == u"RMDIR")
        return needArgs(FtpCommand::Kind::RemoveDir);

    return failParse(
        error, QStringLiteral("\"%1\" is not a command the transfer component knows.").arg(text));
}
