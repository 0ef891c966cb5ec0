#include "queue_worker.h"

#include "ftp_address.h"
#include "inet.h"
#include "local_tree.h"
#include "plain_name.h"
#include "raw_names.h"
#include "session_trust.h"
#include "transfer_queue.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

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

TransferItem childOf(const TransferItem& parent, const QString& name, bool folder) {
    TransferItem child;
    child.direction = parent.direction;
    child.folder = folder;
    child.local = parent.local + u'/' + name;
    child.remote = parent.remote + u'/' + name;
    return child;
}

void markFailed(TransferItem& item, const QString& why) {
    item.state = TransferState::Failed;
    item.error = why;
}

// The entries of a remote folder as items: folders behind it, then files.
std::vector<TransferItem> remoteChildren(const TransferItem& parent, const RemoteListing& listing) {
    std::vector<TransferItem> children;
    for (const RemoteEntry& entry : listing.directories) {
        TransferItem child = childOf(parent, entry.name, true);
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

std::vector<TransferItem> localChildren(const TransferItem& parent,
                                        const std::vector<LocalTreeEntry>& entries) {
    std::vector<TransferItem> children;
    for (const LocalTreeEntry& entry : entries) {
        TransferItem child = childOf(parent, entry.name, entry.folder);
        child.size = entry.size;
        if (!entry.problem.isEmpty())
            markFailed(child, QStringLiteral("Not sent: ") + entry.problem + u'.');
        children.push_back(std::move(child));
    }
    return children;
}

} // namespace

QueueWorker::QueueWorker(TransferQueue& queue)
    : m_queue(queue) {
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &QueueWorker::begin);
    createInet();
}

QueueWorker::~QueueWorker() {
    *m_alive = false;
}

void QueueWorker::createInet() {
    m_inet = std::make_unique<Inet>();
    connect(m_inet.get(), &Inet::StateChanged, this, &QueueWorker::onState);
    connect(m_inet.get(), &Inet::TransferProgress, this, &QueueWorker::onProgress);
}

void QueueWorker::resetConnection() {
    if (!busy())
        createInet();
}

void QueueWorker::logLine(const QString& text) {
    emit m_queue.logLine(text);
}

void QueueWorker::start(const TransferItem& item) {
    m_item = item;
    m_retries = 0;
    m_stopping = false;
    m_rate.restart();
    if (!item.folder)
        logLine(kCrLf +
                (item.direction == TransferDirection::Download ? QStringLiteral("Retrieving ")
                                                               : QStringLiteral("Sending ")) +
                item.name());
    begin();
}

// Every attempt logs in with what the login and its trust say now.
void QueueWorker::begin() {
    if (!busy())
        return;
    m_queue.setState(m_item.id, TransferState::Running);
    const QueueLogin& login = m_queue.login();
    try {
        m_inet->setRequestTimeout(30);
        m_inet->setServerProtocol(login.protocol);
        m_inet->setURL(login.address);
        m_inet->setUserName(login.user);
        m_inet->setPassword(login.password);
        const auto address = parseServerAddress(login.address, login.protocol, nullptr);
        if (login.trust && address)
            m_inet->setSecurityOptions(login.trust->optionsFor(*address));
    } catch (const InetError& e) {
        finish(TransferState::Failed, e.description());
        return;
    }
    const bool download = m_item.direction == TransferDirection::Download;
    if (m_item.folder)
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
    const std::optional<ConflictAnswer> answer = m_queue.answerFor(m_item.id, conflict);
    if (!answer) {
        const quint64 id = m_item.id;
        m_item = TransferItem();
        m_queue.deferItem(id);
    }
    return answer;
}

void QueueWorker::runDownload() {
    struct stat existing {};
    std::optional<ConflictAnswer> answer = m_item.answer;
    if (!answer && !m_item.partly && localStatus(m_item.local, &existing)) {
        answer = answerAbout({TransferDirection::Download, m_item.remote, m_item.local, m_item.size,
                              m_item.remoteTime, existing.st_size, existing.st_mtim.tv_sec});
        if (!answer)
            return;
    }
    switch (answer.value_or(ConflictAnswer::Overwrite)) {
    case ConflictAnswer::Skip:
        finish(TransferState::Skipped, QStringLiteral("The target exists; left as it was."));
        return;
    case ConflictAnswer::Resume:
        resumeExistingDownload();
        return;
    case ConflictAnswer::Rename:
        if (localExists(m_item.local)) {
            m_item.local = freeName(m_item.local, localExists);
            m_queue.setLocalPath(m_item.id, m_item.local);
        }
        break;
    case ConflictAnswer::Overwrite:
        break;
    }
    download();
}

// The existing target becomes the part file that the download continues
// (unless an earlier attempt did so already).
void QueueWorker::resumeExistingDownload() {
    const QByteArray target = RawName::encode(m_item.local);
    const QByteArray part = RawName::encode(partFileFor(m_item.local));
    if (localExists(m_item.local) && std::rename(target.constData(), part.constData()) != 0) {
        finish(TransferState::Failed, QStringLiteral("Cannot continue the local file: ") +
                                          QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    download();
}

void QueueWorker::download() {
    FtpCommand command = FtpCommand::get(m_item.remote, m_item.local);
    const bool continuing = m_item.answer == ConflictAnswer::Resume;
    command.transfer.keepPartial = true;
    command.transfer.resume =
        (m_item.partly || continuing) && localExists(partFileFor(m_item.local));
    // A file the user chose to continue was not started from this source:
    // there is nothing to hold it against.
    if (!continuing) {
        command.transfer.expectedSize = m_item.size;
        command.transfer.expectedTime = m_item.remoteTime;
    }
    command.transfer.keepTime = true;
    execute(command, [this] {
        logLine(kCrLf + m_item.name() + QStringLiteral(" retrieved"));
        finish(TransferState::Done);
    });
}

void QueueWorker::runUpload() {
    const QString folder = folderOf(m_item.remote);
    const auto* known = m_queue.remoteFolder(folder);
    if (!known) {
        // One listing per folder tells which targets exist.
        const auto remember = [this, folder] {
            m_queue.rememberRemoteFolder(folder, m_inet->Listing());
            runUpload();
        };
        execute(FtpCommand::list(QStringLiteral("LS"), folder), remember, remember);
        return;
    }
    const auto target = known->constFind(nameOf(m_item.remote));
    std::optional<ConflictAnswer> answer = m_item.answer;
    if (!answer && !m_item.partly && target != known->cend()) {
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
            m_queue.setRemotePath(m_item.id, m_item.remote);
        }
        break;
    default:
        break;
    }
    upload(m_item.partly || answer == ConflictAnswer::Resume);
}

void QueueWorker::upload(bool append) {
    FtpCommand command = FtpCommand::put(m_item.local, m_item.remote);
    command.transfer.append = append;
    command.transfer.keepTime = true;
    execute(command, [this] {
        struct stat sent {};
        localStatus(m_item.local, &sent);
        m_queue.rememberRemoteFile(m_item.remote, sent.st_size, sent.st_mtim.tv_sec);
        logLine(kCrLf + m_item.name() + QStringLiteral(" sent"));
        finish(TransferState::Done);
    });
}

void QueueWorker::runRemoteFolder() {
    const QString problem = makeLocalFolder(m_item.local);
    if (!problem.isEmpty()) {
        finish(TransferState::Failed, QStringLiteral("Cannot make the local folder: ") + problem);
        return;
    }
    execute(FtpCommand::list(QStringLiteral("LS"), m_item.remote + u'/'), [this] {
        const SharedListing listing = m_inet->Listing();
        m_queue.insertChildren(m_item.id, listing ? remoteChildren(m_item, *listing)
                                                  : std::vector<TransferItem>());
        finish(TransferState::Done);
    });
}

// A folder that exists already is refused by the server; that is no fault.
void QueueWorker::runLocalFolder() {
    execute(
        FtpCommand::makeDirectory(m_item.remote),
        [this] {
            m_queue.rememberRemoteFolder(m_item.remote + u'/', SharedListing());
            listLocalFolder();
        },
        [this] { listLocalFolder(); });
}

// The disk is read on the thread pool; the answer comes back here unless
// this worker is gone by then.
void QueueWorker::listLocalFolder() {
    const QString path = m_item.local;
    const quint64 id = m_item.id;
    std::weak_ptr<bool> alive = m_alive;
    m_reading = true;
    QThreadPool::globalInstance()->start([this, alive, path, id] {
        QString error;
        auto entries = std::make_shared<std::vector<LocalTreeEntry>>(readLocalFolder(path, &error));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, alive, id, entries, error] {
                const auto living = alive.lock();
                if (!living || !*living || m_item.id != id)
                    return;
                m_reading = false;
                if (m_stopping)
                    finish(m_stopAs);
                else if (!error.isEmpty())
                    finish(TransferState::Failed,
                           QStringLiteral("Cannot read the folder: ") + error);
                else {
                    m_queue.insertChildren(id, localChildren(m_item, *entries));
                    finish(TransferState::Done);
                }
            },
            Qt::QueuedConnection);
    });
}

void QueueWorker::execute(const FtpCommand& command, std::function<void()> then,
                          std::function<void()> onRefusal) {
    m_then = std::move(then);
    m_onRefusal = std::move(onRefusal);
    try {
        m_inet->Execute(m_inet->URL(), command);
    } catch (const InetError& e) {
        finish(TransferState::Failed, e.description());
    }
}

// The component's completion decides the next step; a stop asked for in the
// meantime wins over it.
void QueueWorker::onState(short state) {
    if (!busy() || (state != InetState::ResponseCompleted && state != InetState::Error))
        return;
    if (m_stopping) {
        finish(m_stopAs);
        return;
    }
    if (state == InetState::ResponseCompleted) {
        if (auto then = std::exchange(m_then, nullptr))
            then();
    } else if (m_onRefusal && m_inet->ResponseCode() == InetResponse::ServerError) {
        std::exchange(m_onRefusal, nullptr)();
    } else {
        onFailure();
    }
}

void QueueWorker::onProgress(qint64 done, qint64 total) {
    if (busy())
        m_queue.setProgress(m_item.id, done, total, m_rate.add(done));
}

// A lost connection is tried again a few times, each after a longer pause;
// anything else fails the item with the component's reason.
void QueueWorker::onFailure() {
    const int code = m_inet->ResponseCode();
    const QString info = m_inet->ResponseInfo();
    logLine(QStringLiteral("Error! ") + QString::number(code) + QStringLiteral(": ") + info +
            kCrLf);
    const QString partFile =
        m_item.direction == TransferDirection::Download ? partFileFor(m_item.local) : QString();
    if (!m_item.folder && (partFile.isEmpty() || localExists(partFile))) {
        m_item.partly = true;
        m_queue.markPartly(m_item.id);
    }
    if (isConnectionTrouble(code) && m_retries < TransferQueue::AutomaticRetries) {
        ++m_retries;
        m_queue.setState(m_item.id, TransferState::Running,
                         QStringLiteral("Connection lost; trying again (%1 of %2).")
                             .arg(m_retries)
                             .arg(TransferQueue::AutomaticRetries));
        m_retryTimer.start(m_queue.m_retryPauseMs << (m_retries - 1));
        return;
    }
    finish(TransferState::Failed, info);
    // Every other item would be refused the same way.
    if (code == InetResponse::LoginFailure || InetResponse::isTrustQuestion(code))
        m_queue.loginRefused(info);
}

void QueueWorker::stop(TransferState state) {
    if (!busy())
        return;
    m_stopAs = state;
    if (m_inet->StillExecuting()) {
        m_stopping = true;
        m_inet->Cancel();
    } else if (m_reading) {
        m_stopping = true; // the reading of the folder ends it
    } else {
        m_retryTimer.stop();
        finish(state);
    }
}

void QueueWorker::finish(TransferState state, const QString& error) {
    const TransferItem item = m_item;
    m_item = TransferItem();
    m_then = nullptr;
    m_onRefusal = nullptr;
    m_stopping = false;
    m_reading = false;
    m_retryTimer.stop();
    m_queue.finishItem(item, state, error);
}
