#include "queue_worker.h"

#include "folder_walk.h"
#include "ftp_address.h"
#include "inet.h"
#include "inet_job.h"
#include "local_tree.h"
#include "plain_name.h"
#include "queue_login.h"
#include "queue_worker_host.h"
#include "raw_names.h"
#include "session_trust.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QThreadPool>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A file this small ends soon after its transfer starts; the next item is
// lined up behind it only then, so that what the queue shows as running is
// never long ahead of what moves.
constexpr qint64 kLinedUpBehindAtMost = 64 * 1024;

bool isConnectionTrouble(int code) {
    return code == InetResponse::ConnectionLost || code == InetResponse::Timeout ||
           code == InetResponse::CannotConnect;
}

bool localStatus(const QString& path, struct stat* info) {
    return ::stat(RawName::encode(path).constData(), info) == 0;
}

bool localExists(const QString& path) {
    struct stat info {};
    return ::lstat(RawName::encode(path).constData(), &info) == 0;
}

// Makes a local folder and the ones above it, names kept byte for byte.
QString makeLocalFolder(const QString& path) {
    const QByteArray bytes = RawName::encode(path);
    for (qsizetype slash = bytes.indexOf('/', 1);; slash = bytes.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? bytes : bytes.left(slash);
        if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST)
            return QString::fromLocal8Bit(std::strerror(errno));
        if (slash < 0)
            break;
    }
    struct stat info {};
    if (::stat(bytes.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return QStringLiteral("something that is not a folder has its name");
    return {};
}

// Whether the `depth` folders above `path` (those of the tree the item
// lies in) are folders of their own, not links to elsewhere.
bool foldersAreNoLinks(const QString& path, int depth) {
    QByteArray folder = RawName::encode(path);
    for (int level = 0; level < depth; ++level) {
        folder.truncate(std::max<qsizetype>(folder.lastIndexOf('/'), 0));
        struct stat info {};
        if (folder.isEmpty() || ::lstat(folder.constData(), &info) != 0)
            return true; // nothing there to write through
        if (S_ISLNK(info.st_mode))
            return false;
    }
    return true;
}

TransferItem childOf(const TransferItem& parent, const QString& name, bool folder) {
    TransferItem child;
    child.direction = parent.direction;
    child.loginKey = parent.loginKey;
    child.folder = folder;
    child.local = parent.local + u'/' + name;
    child.remote = parent.remote + u'/' + name;
    child.depth = parent.depth + 1;
    return child;
}

void markFailed(TransferItem& item, const QString& why) {
    item.state = TransferState::Failed;
    item.error = why;
}

// The entries of a remote folder as items: folders behind it, then files.
// Folders carry the folders above them, this one (`identity`) last.
std::vector<TransferItem> remoteChildren(const TransferItem& parent, const RemoteListing& listing,
                                         const QByteArray& identity) {
    std::vector<TransferItem> children;
    for (const RemoteEntry& entry : listing.directories) {
        TransferItem child = childOf(parent, entry.name, true);
        child.ancestry = parent.ancestry + QList<QByteArray>{identity};
        if (!isPlainFileName(entry.name))
            markFailed(child, QStringLiteral("The server's name cannot be a local folder name."));
        else if (entry.isLink)
            markFailed(child, QStringLiteral("A link to a folder; not followed."));
        children.push_back(std::move(child));
    }
    for (const RemoteEntry& entry : listing.files) {
        TransferItem child = childOf(parent, entry.name, false);
        child.size = entry.size;
        child.remoteTime = entry.modified;
        if (!isPlainFileName(entry.name))
            markFailed(child, QStringLiteral("The server's name cannot be a local file name."));
        children.push_back(std::move(child));
    }
    return children;
}

std::vector<TransferItem> localChildren(const TransferItem& parent, const LocalFolder& folder) {
    std::vector<TransferItem> children;
    for (const LocalTreeEntry& entry : folder.entries) {
        TransferItem child = childOf(parent, entry.name, entry.folder);
        child.size = entry.size;
        if (entry.folder)
            child.ancestry = parent.ancestry + QList<QByteArray>{folder.identity};
        if (!entry.problem.isEmpty())
            markFailed(child, QStringLiteral("Not sent: ") + entry.problem + u'.');
        children.push_back(std::move(child));
    }
    return children;
}

} // namespace

QueueWorker::QueueWorker(QueueWorkerHost& host)
    : m_host(host)
    , m_inet(std::make_unique<Inet>()) {
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &QueueWorker::begin);
}

// The running command goes before its component does.
QueueWorker::~QueueWorker() {
    *m_alive = false;
    if (m_follower)
        m_follower->m_behind = false;
    if (m_job)
        m_job->discard();
}

void QueueWorker::resetConnection() {
    if (!busy()) {
        m_inet = std::make_unique<Inet>();
        m_loginKey.clear();
    }
}

void QueueWorker::start(const TransferItem& item) {
    m_item = item;
    m_retries = 0;
    m_lookedUp = false;
    m_stopping = false;
    m_rate.restart();
    m_announced = false;
    m_announceHeld = false;
    begin();
}

bool QueueWorker::takesFollower() const {
    return busy() && m_underway && (!m_follower || !m_follower->busy()) && m_item.depth > 0 &&
           !m_item.folder && !m_item.deletes && m_item.size >= 0 &&
           m_item.size <= kLinedUpBehindAtMost;
}

bool QueueWorker::startBehind(QueueWorker& leader, const TransferItem& item) {
    try {
        m_inet->ShareConnection(*leader.m_inet);
    } catch (const InetError&) {
        return false;
    }
    m_loginKey = leader.m_loginKey;
    leader.m_follower = this;
    m_behind = true;
    start(item);
    return true;
}

// One stopped meanwhile never moves now, and is not announced.
void QueueWorker::leaderDone() {
    m_behind = false;
    if (std::exchange(m_announceHeld, false) && !m_stopping)
        announce();
}

void QueueWorker::releaseFollower() {
    if (QueueWorker* follower = std::exchange(m_follower, nullptr))
        follower->leaderDone();
}

// Once per start, when the file is about to move: not for one skipped, nor
// again for one that waited for an answer or lost its connection.
void QueueWorker::announce() {
    if (m_behind) {
        m_announceHeld = true;
        return;
    }
    if (std::exchange(m_announced, true))
        return;
    m_host.logLine(kCrLf +
                   (m_item.direction == TransferDirection::Download ? QStringLiteral("Retrieving ")
                                                                    : QStringLiteral("Sending ")) +
                   m_item.savedName());
}

// Every attempt logs in with what the item's login and its trust say now;
// an item of another server or account than the last one gets a new
// connection.
void QueueWorker::begin() {
    if (!busy())
        return;
    m_host.setState(m_item.id, TransferState::Running, QString());
    const QueueLogin& login = m_host.loginOf(m_item);
    if (!m_loginKey.isEmpty() && m_item.loginKey != m_loginKey)
        m_inet = std::make_unique<Inet>();
    m_loginKey = m_item.loginKey;
    try {
        m_inet->setRequestTimeout(30);
        // Only the end of each command matters here.
        m_inet->setStepStates(false);
        m_inet->setServerProtocol(login.demandedProtocol());
        m_inet->setURL(login.address);
        m_inet->setUserName(login.user);
        m_inet->setPassword(login.password);
        const auto address = parseServerAddress(login.address, login.demandedProtocol(), nullptr);
        if (address)
            m_inet->setSecurityOptions(login.securityFor(*address));
    } catch (const InetError& e) {
        finish(TransferState::Failed, e.description());
        return;
    }
    const bool download = m_item.direction == TransferDirection::Download;
    if (download && !m_item.group.isEmpty() && !foldersAreNoLinks(m_item.local, m_item.depth))
        finish(TransferState::Failed,
               QStringLiteral("A folder on the way is a link; not followed."));
    else if (m_item.deletes)
        download ? deleteLocal() : deleteRemote();
    else if (m_item.folder)
        download ? runRemoteFolder() : runLocalFolder();
    else
        download ? runDownload() : runUpload();
}

// The answer about an existing target: given before, or by the queue now.
// Nothing when the item has to wait for a question to be answered; it is
// then handed back.
std::optional<ConflictAnswer> QueueWorker::answerAbout(const Conflict& conflict) {
    if (m_item.answer)
        return m_item.answer;
    const std::optional<ConflictAnswer> answer = m_host.answerFor(m_item.id, conflict);
    if (!answer) {
        const quint64 id = m_item.id;
        m_item = TransferItem();
        m_host.deferItem(id);
    }
    return answer;
}

// --- files ------------------------------------------------------------------

// A part file this queue made and that is still as it left it is
// continued; anything else starts anew in a part file of its own, after a
// look at the target.
void QueueWorker::runDownload() {
    if (m_item.part && partFileUnchanged(*m_item.part)) {
        download(false);
        return;
    }
    if (m_item.part)
        setPart(std::nullopt); // not this queue's any more: left alone
    struct stat existing {};
    std::optional<ConflictAnswer> answer = m_item.answer;
    if (!answer && localStatus(m_item.local, &existing)) {
        if (asPreviewed(existing)) {
            answer = ConflictAnswer::Overwrite; // as the preview showed it
        } else if (m_item.remoteTime < 0 && !m_lookedUp && m_host.targetTimesMatter()) {
            lookUpRemoteFile();
            return;
        } else {
            answer =
                answerAbout({TransferDirection::Download, m_item.remote, m_item.local, m_item.size,
                             m_item.remoteTime, existing.st_size, existing.st_mtim.tv_sec});
            if (!answer)
                return;
        }
    }
    switch (answer.value_or(ConflictAnswer::Overwrite)) {
    case ConflictAnswer::Skip:
        finish(TransferState::Skipped, QStringLiteral("The target exists; left as it was."));
        return;
    case ConflictAnswer::Rename:
        if (localExists(m_item.local)) {
            m_item.local = freeName(m_item.local, localExists);
            m_host.setLocalPath(m_item.id, m_item.local);
        }
        break;
    case ConflictAnswer::Resume:
    case ConflictAnswer::Overwrite:
        break;
    }
    if (makePartFile())
        download(answer == ConflictAnswer::Resume && localExists(m_item.local));
}

// A new part file beside the target, under the first name that is free on
// the disk and that no other item of the queue uses or will write.
bool QueueWorker::makePartFile() {
    QString error;
    for (int another = 0; another < 1000; ++another) {
        const QString path = partFileFor(m_item.local, another);
        if (localExists(path) || m_host.localPathTaken(m_item.id, path))
            continue;
        if (const std::optional<PartFile> part = createPartFile(path, &error)) {
            setPart(part);
            return true;
        }
        if (!localExists(path))
            break;
    }
    finish(TransferState::Failed,
           QStringLiteral("Cannot make a part file beside the target: ") + error);
    return false;
}

void QueueWorker::setPart(const std::optional<PartFile>& part) {
    m_item.part = part;
    m_host.setPart(m_item.id, part);
}

// `continueTarget`: the existing target was chosen to be continued; the part
// file starts as a copy of it, and the target stays as it is until the
// download is whole.
void QueueWorker::download(bool continueTarget) {
    FtpCommand command = FtpCommand::get(m_item.remote, m_item.local);
    command.transfer.part = m_item.part;
    command.transfer.resume = !continueTarget && m_item.part->size != 0;
    // A file the user chose to continue was not started from this source:
    // only the listed size, that what arrives is held to, says anything of it.
    command.transfer.expectedSize = m_item.size;
    if (continueTarget)
        command.transfer.seedFrom = m_item.local;
    else
        command.transfer.expectedTime = m_item.remoteTime;
    command.transfer.keepTime = true;
    announce();
    connect(startJob(command), &InetJob::finished, this, &QueueWorker::fileMoved);
    markUnderway();
}

// One listing per folder tells which targets exist.
void QueueWorker::runUpload() {
    const RemoteFolders::Files* known = targetFolder();
    if (!known)
        return;
    const auto target = known->constFind(nameOf(m_item.remote));
    std::optional<ConflictAnswer> answer = m_item.answer;
    if (!answer && target != known->cend() && m_item.previewed &&
        matchesPreview(*m_item.previewed, true, false, target->size, target->time))
        answer = ConflictAnswer::Overwrite;
    if (!answer && !m_item.partly && target != known->cend()) {
        if (target->time < 0 && !m_lookedUp && m_host.targetTimesMatter()) {
            lookUpRemoteFile();
            return;
        }
        struct stat source {};
        localStatus(m_item.local, &source);
        answer = answerAbout({TransferDirection::Upload, m_item.local, m_item.remote,
                              qint64(source.st_size), source.st_mtim.tv_sec, target->size,
                              target->time});
        if (!answer)
            return;
    }
    switch (answer.value_or(ConflictAnswer::Overwrite)) {
    case ConflictAnswer::Skip:
        finish(TransferState::Skipped, QStringLiteral("The target exists; left as it was."));
        return;
    case ConflictAnswer::Rename:
        if (known->contains(nameOf(m_item.remote))) {
            m_item.remote = freeName(m_item.remote, [known](const QString& path) {
                return known->contains(nameOf(path));
            });
            m_host.setRemotePath(m_item.id, m_item.remote);
        }
        break;
    default:
        break;
    }
    upload(m_item.partly || answer == ConflictAnswer::Resume);
}

// The remote target's folder as the queue knows it; nothing while it is
// being listed (the step starts again from targetFolderListed()).
const RemoteFolders::Files* QueueWorker::targetFolder() {
    const RemoteFolders::Files* known = m_host.remoteFolder(m_item, folderOf(m_item.remote));
    if (!known) {
        const FtpCommand list = FtpCommand::list(QStringLiteral("LS"), folderOf(m_item.remote));
        connect(startJob(list), &InetJob::finished, this, &QueueWorker::targetFolderListed);
    }
    return known;
}

// A folder the server will not list is taken for an empty one.
void QueueWorker::targetFolderListed(const InetResult& result) {
    if (!carryOn(result, Refusal::Answers))
        return;
    m_host.rememberRemoteFolder(m_item, folderOf(m_item.remote), result.listing);
    m_item.deletes ? deleteRemote() : runUpload();
}

void QueueWorker::upload(bool append) {
    FtpCommand command = FtpCommand::put(m_item.local, m_item.remote);
    command.transfer.append = append;
    command.transfer.keepTime = true;
    announce();
    connect(startJob(command), &InetJob::finished, this, &QueueWorker::fileMoved);
    markUnderway();
}

void QueueWorker::markUnderway() {
    m_underway = true;
    emit underway();
}

// A listing does not tell every server's times: the remote file's own size
// and time, asked for once per item (unknown when the server will not say).
void QueueWorker::lookUpRemoteFile() {
    m_lookedUp = true;
    connect(startJob(FtpCommand::stat(m_item.remote)), &InetJob::finished, this,
            &QueueWorker::remoteFileLookedUp);
}

void QueueWorker::remoteFileLookedUp(const InetResult& result) {
    if (!carryOn(result, Refusal::Answers))
        return;
    const FtpTransferFacts facts = result.completed() ? result.facts : FtpTransferFacts();
    if (m_item.direction == TransferDirection::Download) {
        noteRemoteFile(facts);
        runDownload();
        return;
    }
    // What the listing said, unless the server told more.
    const RemoteFolders::Files* known = m_host.remoteFolder(m_item, folderOf(m_item.remote));
    const qint64 listedSize = known ? known->value(nameOf(m_item.remote)).size : -1;
    m_host.rememberRemoteFile(m_item, m_item.remote,
                              facts.remoteSize >= 0 ? facts.remoteSize : listedSize,
                              facts.remoteTime);
    runUpload();
}

// What was lined up behind the file goes on once the file's end is logged
// (this worker may have been given the next item by then, and with it a
// follower of its own).
void QueueWorker::fileMoved(const InetResult& result) {
    m_underway = false;
    const auto release = qScopeGuard([follower = std::exchange(m_follower, nullptr)] {
        if (follower)
            follower->leaderDone();
    });
    if (!carryOn(result))
        return;
    if (m_item.direction == TransferDirection::Download) {
        setPart(std::nullopt);
        m_host.logLine(kCrLf + m_item.savedName() + QStringLiteral(" retrieved"));
    } else {
        struct stat sent {};
        localStatus(m_item.local, &sent);
        m_host.rememberRemoteFile(m_item, m_item.remote, sent.st_size, sent.st_mtim.tv_sec);
        m_host.logLine(kCrLf + m_item.savedName() + QStringLiteral(" sent"));
    }
    finish(TransferState::Done);
}

// --- folders ----------------------------------------------------------------

void QueueWorker::runRemoteFolder() {
    if (const QString deep = folderLoopProblem(m_item, {}); !deep.isEmpty()) {
        finish(TransferState::Failed, deep);
        return;
    }
    const QString problem = makeLocalFolder(m_item.local);
    if (!problem.isEmpty()) {
        finish(TransferState::Failed, QStringLiteral("Cannot make the local folder: ") + problem);
        return;
    }
    if (!m_item.group.isEmpty()) {
        finish(TransferState::Done); // what goes into it is queued already
        return;
    }
    connect(startJob(FtpCommand::list(QStringLiteral("LS"), m_item.remote + u'/')),
            &InetJob::finished, this, &QueueWorker::remoteFolderListed);
}

void QueueWorker::remoteFolderListed(const InetResult& result) {
    if (!carryOn(result))
        return;
    const RemoteListing none;
    const RemoteListing& listing = result.listing ? *result.listing : none;
    const QByteArray identity = listingIdentity(listing);
    if (const QString loop = folderLoopProblem(m_item, identity); !loop.isEmpty()) {
        finish(TransferState::Failed, loop);
        return;
    }
    m_host.insertChildren(m_item.id, remoteChildren(m_item, listing, identity));
    finish(TransferState::Done);
}

void QueueWorker::runLocalFolder() {
    connect(startJob(FtpCommand::makeDirectory(m_item.remote)), &InetJob::finished, this,
            &QueueWorker::remoteFolderMade);
}

// A folder that exists already is refused by the server; that is no fault.
// The disk is read on the thread pool; the answer comes back here unless
// this worker is gone by then.
void QueueWorker::remoteFolderMade(const InetResult& result) {
    if (!carryOn(result, Refusal::Answers))
        return;
    if (result.completed())
        m_host.rememberRemoteFolder(m_item, m_item.remote + u'/', SharedListing());
    if (!m_item.group.isEmpty()) {
        finish(TransferState::Done); // what goes into it is queued already
        return;
    }
    const QString path = m_item.local;
    const quint64 id = m_item.id;
    std::weak_ptr<bool> alive = m_alive;
    m_reading = true;
    QThreadPool::globalInstance()->start([this, alive, path, id] {
        QString error;
        auto folder = std::make_shared<LocalFolder>(readLocalFolder(path, &error));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, alive, id, folder, error] {
                const auto living = alive.lock();
                if (living && *living && m_item.id == id)
                    takeLocalFolder(*folder, error);
            },
            Qt::QueuedConnection);
    });
}

void QueueWorker::takeLocalFolder(const LocalFolder& folder, const QString& error) {
    m_reading = false;
    const QString loop = folderLoopProblem(m_item, folder.identity);
    if (m_stopping)
        finish(m_stopAs);
    else if (!error.isEmpty())
        finish(TransferState::Failed, QStringLiteral("Cannot read the folder: ") + error);
    else if (!loop.isEmpty())
        finish(TransferState::Failed, loop);
    else {
        m_host.insertChildren(m_item.id, localChildren(m_item, folder));
        finish(TransferState::Done);
    }
}

// --- jobs -------------------------------------------------------------------

// The step's command on this worker's component; the step goes on from the
// job's finished().
InetJob* QueueWorker::startJob(const FtpCommand& command) {
    m_job = InetJob::start(*m_inet, command, this);
    connect(m_job, &InetJob::progress, this, [this](qint64 done, qint64 total) {
        if (busy())
            m_host.setProgress(m_item.id, done, total, m_rate.add(done));
    });
    return m_job;
}

// Whether the step goes on with its command's result. A stop asked for in
// the meantime wins over it; a command that would not start fails the item;
// any other failure goes to onFailure(), except a refusal by the server
// where the step `Answers` it.
bool QueueWorker::carryOn(const InetResult& result, Refusal refusal) {
    if (!busy())
        return false;
    if (m_stopping || result.cancelled()) {
        finish(m_stopAs);
        return false;
    }
    if (result.completed())
        return true;
    if (result.refused()) {
        finish(TransferState::Failed, result.info);
        return false;
    }
    if (refusal == Refusal::Answers && result.code == InetResponse::ServerError)
        return true;
    onFailure(result);
    return false;
}

// A lost connection is tried again a few times, each after a longer pause;
// anything else fails the item with the component's reason.
void QueueWorker::onFailure(const InetResult& result) {
    const int code = result.code;
    const QString& info = result.info;
    m_host.logLine(QStringLiteral("Error! ") + QString::number(code) + QStringLiteral(": ") + info +
                   kCrLf);
    noteWhatWasLeft(result.facts);
    if (isConnectionTrouble(code) && m_retries < AutomaticRetries) {
        ++m_retries;
        m_host.setState(m_item.id, TransferState::Running,
                        QStringLiteral("Connection lost; trying again (%1 of %2).")
                            .arg(m_retries)
                            .arg(AutomaticRetries));
        m_retryTimer.start(m_host.retryPauseMs() << (m_retries - 1));
        return;
    }
    finish(TransferState::Failed, info);
    // Every other item would be refused the same way.
    if (code == InetResponse::LoginFailure || InetResponse::isTrustQuestion(code) ||
        code == InetResponse::SecureChannelFailed || code == InetResponse::TlsNotOffered)
        m_host.loginRefused(info);
}

// What a failed attempt learnt and left: the remote file as it saw it, and
// the part file as it left it (gone when nothing was kept).
void QueueWorker::noteWhatWasLeft(const FtpTransferFacts& facts) {
    if (m_item.folder)
        return;
    if (m_item.direction == TransferDirection::Download)
        noteRemoteFile(facts);
    if (m_item.direction == TransferDirection::Download && m_item.part) {
        PartFile left = *m_item.part;
        if (facts.partSize >= 0) {
            left.size = facts.partSize;
            left.modifiedNs = facts.partModifiedNs;
        }
        // One that never got a byte (the login failed, say) goes.
        const bool kept = partFileUnchanged(left) && (left.size != 0 || !removePartFile(left));
        setPart(kept ? std::optional<PartFile>(left) : std::nullopt);
    }
    const bool kept = m_item.direction == TransferDirection::Upload || m_item.part;
    if (kept) {
        m_item.partly = true;
        m_host.markPartly(m_item.id);
    }
}

// The remote file as the download saw it (by SIZE and MDTM, more exactly
// than a listing tells), for the next attempt to hold its part file to.
void QueueWorker::noteRemoteFile(const FtpTransferFacts& facts) {
    if (facts.remoteSize >= 0)
        m_item.size = facts.remoteSize;
    if (facts.remoteTime >= 0)
        m_item.remoteTime = facts.remoteTime;
    m_host.noteRemoteFile(m_item.id, facts.remoteSize, facts.remoteTime);
}

void QueueWorker::stop(TransferState state) {
    if (!busy())
        return;
    m_stopAs = state;
    if (m_job && !m_job->isFinished()) {
        m_stopping = true;
        m_job->abort();
    } else if (m_reading) {
        m_stopping = true; // the reading of the folder ends it
    } else {
        m_retryTimer.stop();
        finish(state);
    }
}

void QueueWorker::finish(TransferState state, const QString& error) {
    // A transfer stopped midway may still be writing its last bytes: the
    // part file is known by which file it is until it is measured again.
    if (m_item.part && (state == TransferState::Cancelled || state == TransferState::Waiting) &&
        !m_item.folder) {
        PartFile stopped = *m_item.part;
        stopped.size = -1;
        setPart(stopped);
    }
    releaseFollower();
    const TransferItem item = m_item;
    m_item = TransferItem();
    m_underway = false;
    m_behind = false;
    m_announceHeld = false;
    m_stopping = false;
    m_reading = false;
    m_retryTimer.stop();
    m_host.finishItem(item, state, error);
}
