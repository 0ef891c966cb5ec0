#include "remote_tree_reader.h"

#include "folder_walk.h"
#include "ftp_address.h"
#include "inet.h"
#include "inet_codes.h"
#include "inet_error.h"
#include "inet_job.h"

#include <QTimer>

namespace {

// A lost connection is tried again this many times per folder.
constexpr int kRetries = 3;

bool isConnectionTrouble(int code) {
    return code == InetResponse::ConnectionLost || code == InetResponse::Timeout ||
           code == InetResponse::CannotConnect;
}

// A failure every other folder would meet the same way.
bool endsTheLogin(int code) {
    return code == InetResponse::LoginFailure || InetResponse::isTrustQuestion(code) ||
           code == InetResponse::SecureChannelFailed || code == InetResponse::TlsNotOffered;
}

SideEntry sideEntry(const RemoteEntry& entry) {
    SideEntry side;
    side.name = entry.name;
    side.folder = entry.isDirectory;
    side.link = entry.isLink;
    side.size = entry.isDirectory ? -1 : entry.size;
    side.modified = entry.modified;
    side.precision = entry.precision;
    return side;
}

SideFolder sideFolder(const RemoteListing& listing) {
    SideFolder folder;
    folder.entries.reserve(listing.directories.size() + listing.files.size());
    for (const RemoteEntry& entry : listing.directories)
        folder.entries.push_back(sideEntry(entry));
    for (const RemoteEntry& entry : listing.files)
        folder.entries.push_back(sideEntry(entry));
    folder.leftOut = listing.linesNotUnderstood;
    return folder;
}

// A file whose listed time is given to the minute, to measure the clock by.
const RemoteEntry* fileToTheMinute(const RemoteListing& listing) {
    for (const RemoteEntry& entry : listing.files)
        if (!entry.isLink && entry.modified >= 0 && entry.precision == TimePrecision::Minutes)
            return &entry;
    return nullptr;
}

} // namespace

RemoteTreeReader::RemoteTreeReader(const QueueLogin& login, const QString& root,
                                   const RemoteTreeOptions& options, QObject* parent)
    : QObject(parent)
    , m_login(login)
    , m_root(root)
    , m_options(options) {}

// The running commands go before their components do.
RemoteTreeReader::~RemoteTreeReader() {
    cancel();
}

void RemoteTreeReader::start() {
    m_running = true;
    m_connections.clear();
    for (int i = 0; i < std::max(1, m_options.connections); ++i) {
        auto connection = std::make_unique<Connection>();
        connection->inet = std::make_unique<Inet>();
        m_connections.push_back(std::move(connection));
    }
    m_waiting.push_back({});
    handOut();
}

void RemoteTreeReader::cancel() {
    m_running = false;
    m_waiting.clear();
    for (const auto& connection : m_connections) {
        if (connection->job)
            connection->job->discard();
        connection->busy = false;
    }
}

QString RemoteTreeReader::remotePath(const QString& path) const {
    if (path.isEmpty())
        return m_root;
    return (m_root.endsWith(u'/') ? m_root : m_root + u'/') + path;
}

// Every free connection takes the folder found first of those waiting.
void RemoteTreeReader::handOut() {
    for (const auto& connection : m_connections) {
        if (!m_running || m_waiting.empty())
            return;
        if (connection->busy)
            continue;
        Folder folder = std::move(m_waiting.front());
        m_waiting.pop_front();
        list(*connection, std::move(folder));
    }
}

void configureLikeQueue(Inet& inet, const QueueLogin& login) {
    inet.setRequestTimeout(30);
    inet.setStepStates(false);
    inet.setServerProtocol(login.demandedProtocol());
    inet.setURL(login.address);
    inet.setUserName(login.user);
    inet.setPassword(login.password);
    const auto address = parseServerAddress(login.address, login.demandedProtocol(), nullptr);
    if (address)
        inet.setSecurityOptions(login.securityFor(*address));
}

void RemoteTreeReader::configure(Connection& connection) {
    configureLikeQueue(*connection.inet, m_login);
}

void RemoteTreeReader::list(Connection& connection, Folder folder) {
    connection.busy = true;
    try {
        configure(connection);
    } catch (const InetError& e) {
        setError(folder.path, e.description());
        endConnection(connection);
        return;
    }
    const QString directory = remotePath(folder.path);
    FtpCommand command = FtpCommand::list(QStringLiteral("LS"),
                                          directory.endsWith(u'/') ? directory : directory + u'/');
    command.withTimes = true;
    connection.job = InetJob::start(*connection.inet, command, this);
    connect(connection.job, &InetJob::finished, this,
            [this, &connection, folder = std::move(folder)](const InetResult& result) {
                listed(connection, folder, result);
            });
}

void RemoteTreeReader::listed(Connection& connection, const Folder& folder,
                              const InetResult& result) {
    connection.job = nullptr;
    if (!m_running)
        return;
    if (!result.completed()) {
        failed(connection, folder, result);
        return;
    }
    const RemoteListing none;
    const RemoteListing& listing = result.listing ? *result.listing : none;
    take(folder, listing);
    if (!m_measuring && listing.serverClockTimes) {
        measureClock(connection, folder, listing);
        return;
    }
    endConnection(connection);
}

// A lost connection is tried again on a new one after a pause; a refusal
// by the server is the folder's error. A failed login ends the reading:
// every folder would meet it.
void RemoteTreeReader::failed(Connection& connection, Folder folder, const InetResult& result) {
    if (isConnectionTrouble(result.code) && folder.attempts < kRetries) {
        const int pause = m_options.retryPauseMs << folder.attempts;
        ++folder.attempts;
        QTimer::singleShot(pause, this, [this, &connection, folder = std::move(folder)] {
            if (!m_running)
                return;
            connection.inet = std::make_unique<Inet>();
            list(connection, folder);
        });
        return;
    }
    setError(folder.path, result.info);
    if (endsTheLogin(result.code)) {
        for (const Folder& waiting : m_waiting)
            setError(waiting.path, result.info);
        m_waiting.clear();
    }
    endConnection(connection);
}

void RemoteTreeReader::endConnection(Connection& connection) {
    connection.busy = false;
    handOut();
    finishIfDone();
}

// The listing becomes the folder's entries; the folders in it wait their
// turn, unless the folder leads in a circle or too deep.
void RemoteTreeReader::take(const Folder& folder, const RemoteListing& listing) {
    const QByteArray identity = listingIdentity(listing);
    ++m_foldersRead;
    if (folder.ancestry.contains(identity)) {
        setError(folder.path, QStringLiteral("The folder lists exactly as a folder above it: the "
                                             "server leads in a circle; not followed."));
        return;
    }
    SideFolder side = sideFolder(listing);
    m_entriesRead += qint64(side.entries.size());
    if (folder.ancestry.size() >= MostFolderDepth)
        side.error =
            QStringLiteral("More than %1 folders deep; not followed.").arg(MostFolderDepth);
    else if (m_options.recursive)
        queueBelow(folder, listing, identity);
    m_tree.insert(folder.path, std::move(side));
    emit progress(m_foldersRead, m_entriesRead);
}

void RemoteTreeReader::queueBelow(const Folder& folder, const RemoteListing& listing,
                                  const QByteArray& identity) {
    for (const RemoteEntry& entry : listing.directories) {
        const QString path = childPath(folder.path, entry.name);
        if (m_options.skip && m_options.skip(path, true))
            continue;
        m_waiting.push_back({path, folder.ancestry + QList<QByteArray>{identity}, 0});
    }
}

// Once per reading, on the connection that found the first listing in the
// server's clock: that file's time by MDTM (or SFTP's attributes), in UTC.
void RemoteTreeReader::measureClock(Connection& connection, const Folder& folder,
                                    const RemoteListing& listing) {
    m_measuring = true;
    m_clock.source = ServerClock::Source::Unknown;
    const RemoteEntry* file = fileToTheMinute(listing);
    if (!file) {
        m_measuring = false; // another folder may hold one
        endConnection(connection);
        return;
    }
    const qint64 listed = file->modified;
    connection.job = InetJob::start(
        *connection.inet, FtpCommand::stat(remotePath(childPath(folder.path, file->name))), this);
    connect(connection.job, &InetJob::finished, this,
            [this, &connection, listed](const InetResult& result) {
                connection.job = nullptr;
                if (!m_running)
                    return;
                clockMeasured(listed, result);
                endConnection(connection);
            });
}

void RemoteTreeReader::clockMeasured(qint64 listed, const InetResult& result) {
    if (!result.completed() || result.facts.remoteTime < 0)
        return;
    if (const std::optional<qint64> offset = clockOffsetOf(listed, result.facts.remoteTime)) {
        m_clock.source = ServerClock::Source::Measured;
        m_clock.offsetSeconds = *offset;
    }
}

void RemoteTreeReader::setError(const QString& path, const QString& error) {
    m_tree[path].error = error;
}

void RemoteTreeReader::finishIfDone() {
    if (!m_running || !m_waiting.empty())
        return;
    for (const auto& connection : m_connections)
        if (connection->busy)
            return;
    m_running = false;
    emit finished(m_tree, m_clock);
}
