#include "remote_session.h"

#include "inet.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

RemoteSession::RemoteSession(QObject* parent)
    : QObject(parent) {
    SessionRunner* r = &m_runner;
    connect(r, &SessionRunner::commandExecuted, this, &RemoteSession::commandExecuted);
    connect(r, &SessionRunner::logAppended, this, &RemoteSession::logAppended);
    connect(r, &SessionRunner::logTrimmed, this, &RemoteSession::logTrimmed);
    connect(r, &SessionRunner::logCleared, this, &RemoteSession::logCleared);
    connect(r, &SessionRunner::busyChanged, this, &RemoteSession::busyChanged);
    connect(r, &SessionRunner::failure, this, &RemoteSession::failure);
    connect(r, &SessionRunner::securityEstablished, this, &RemoteSession::securityEstablished);
    connect(r, &SessionRunner::clearTextAllowedForGood, this,
            &RemoteSession::clearTextAllowedForGood);
    connect(r, &SessionRunner::jobEnding, this, &RemoteSession::ReactToResponse);
}

RemoteSession::~RemoteSession() {
    close();
}

void RemoteSession::setHost(const QString& address, const QString& user, const QString& password,
                            ServerProtocol protocol, const QString& keyFile,
                            bool clearTextAllowed) {
    m_connected = false;
    m_runner.setHost(address, user, password, protocol, keyFile, clearTextAllowed);
}

void RemoteSession::reset() {
    m_connected = false;
    m_runner.reset();
}

void RemoteSession::close() {
    m_connected = false;
    m_runner.close();
}

// --- jobs ------------------------------------------------------------------

RemoteJob* RemoteSession::logIn() {
    return m_runner.submit(FtpCommand::pwd(), QString());
}

RemoteJob* RemoteSession::listFirst() {
    return submitListing(FtpCommand::list(QStringLiteral("DIR")),
                         RemoteJob::Listing{QString(), true});
}

RemoteJob* RemoteSession::listDirectory(const QString& directory, const QString& pattern,
                                        ListVerb verb, bool enterFirst) {
    FtpCommand list = FtpCommand::list(
        verb == ListVerb::Dir ? QStringLiteral("DIR") : QStringLiteral("LS"), directory + pattern);
    list.enterFirst = enterFirst;
    return submitListing(list, RemoteJob::Listing{directory, false});
}

RemoteJob* RemoteSession::remove(const QString& path, const QString& subject) {
    return m_runner.submit(FtpCommand::remove(path), subject);
}

RemoteJob* RemoteSession::rename(const QString& from, const QString& to, const QString& subject) {
    return m_runner.submit(FtpCommand::rename(from, to), subject);
}

RemoteJob* RemoteSession::makeDirectory(const QString& path) {
    return m_runner.submit(FtpCommand::makeDirectory(path), QString());
}

RemoteJob* RemoteSession::removeDirectory(const QString& path) {
    return m_runner.submit(FtpCommand::removeDirectory(path), QString());
}

RemoteJob* RemoteSession::disconnectFromServer() {
    m_connected = false;
    return m_runner.submit(FtpCommand::quit(), QString());
}

RemoteJob* RemoteSession::run(const FtpCommand& command, const QString& subject) {
    return m_runner.submit(command, subject);
}

RemoteJob* RemoteSession::submitListing(const FtpCommand& command,
                                        const RemoteJob::Listing& listing) {
    RemoteJob* job = m_runner.submit(command, QString());
    job->setListing(listing);
    return job;
}

// --- completions -----------------------------------------------------------

void RemoteSession::ReactToResponse(const RemoteJob& job, const InetResult& result) {
    const RemoteJob::Listing& listing = job.listing();
    if (listing.first)
        takeFirstListing();
    if (!result.completed())
        return;
    switch (job.command().kind) {
    case FtpCommand::Kind::List:
        if (!listing.directory.isEmpty())
            setDirectory(listing.directory);
        showListing(result.listing);
        break;
    case FtpCommand::Kind::Delete:
        log(kCrLf + job.subject() + QStringLiteral(" deleted"));
        break;
    case FtpCommand::Kind::Pwd:
        ShowDir(result.reply);
        break;
    case FtpCommand::Kind::Quit:
        emit disconnected();
        break;
    case FtpCommand::Kind::Rename:
        log(kCrLf + job.subject() + QStringLiteral(" renamed"));
        break;
    default:
        break;
    }
}

// Connected once the first listing has ended, however it ended; a login
// directory the server gave as "//" is taken as "/".
void RemoteSession::takeFirstListing() {
    m_connected = true;
    if (m_remoteDir.startsWith(QStringLiteral("//"))) {
        m_rootDir = QStringLiteral("/");
        setDirectory(QStringLiteral("/"));
    }
}

// Lines the parser could not read are counted in the log, so that a list
// shorter than the directory never goes unnoticed.
void RemoteSession::showListing(const SharedListing& listing) {
    const int unread = listing ? listing->linesNotUnderstood : 0;
    if (unread > 0)
        log(kCrLf + QString::number(unread) +
            (unread == 1 ? QStringLiteral(" line not understood")
                         : QStringLiteral(" lines not understood")));
    emit listingRead(listing);
}

// The current directory always ends with "/", so that names and patterns
// can be appended to it; the root stays as the server said.
void RemoteSession::ShowDir(const QString& reply) {
    m_rootDir = reply;
    setDirectory(reply.endsWith(u'/') ? reply : reply + u'/');
}

void RemoteSession::setDirectory(const QString& directory) {
    m_remoteDir = directory;
    emit directoryChanged(m_remoteDir);
}
