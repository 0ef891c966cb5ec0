#include "inet.h"

#include "ftp_address.h"
#include "ftp_command.h"
#include "ftp_job.h"
#include "ftp_worker.h"
#include "login_text.h"

#include <curl/curl.h>

#include <atomic>
#include <mutex>

namespace {

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The last guard before the worker thread: no text with a control character
// goes to a server, whatever let it through before. Raises 35753, 35754 or
// 35751 when a path of the command, the user name, the password or the
// address `target` holds one.
void checkSendable(const QString& target, const FtpCommand& command, const QString& userName,
                   const QString& password) {
    if (command.holdsLineBreak())
        throw InetError(InetErrorNumber::InvalidCommand,
                        QStringLiteral("The command contains a line break or a NUL character and "
                                       "was not sent."));
    if (command.holdsControlCharacter())
        throw InetError(InetErrorNumber::InvalidCommand,
                        QStringLiteral("A path in the command contains a control character and "
                                       "was not sent."));
    if (const std::optional<LoginField> field = unsendableLoginField(userName, password, target))
        throw InetError(*field == LoginField::Address ? InetErrorNumber::InvalidUrl
                                                      : InetErrorNumber::InvalidLogin,
                        QStringLiteral("The %1 contains a control character and was not sent.")
                            .arg(loginFieldName(*field)));
}

} // namespace

Inet::Inet(QObject* parent)
    : QObject(parent) {
    initCurlOnce();
    attachTo(std::make_shared<FtpWorker>());
}

Inet::~Inet() {
    // Leaves the worker first, so that nothing is posted to this object any
    // more; the last component to leave stops it.
    m_worker->detach(m_front);
    m_worker.reset();
}

void Inet::attachTo(std::shared_ptr<FtpWorker> worker) {
    m_worker = std::move(worker);
    m_front = m_worker->attach([this](FtpEvent&& ev) {
        QMetaObject::invokeMethod(
            this, [this, ev = std::move(ev)] { onWorkerEvent(ev); }, Qt::QueuedConnection);
    });
}

void Inet::ShareConnection(const Inet& other) {
    checkIdle();
    if (other.m_worker == m_worker)
        return;
    m_worker->detach(m_front);
    attachTo(other.m_worker);
}

void Inet::checkIdle() const {
    if (m_executing)
        throw InetError(InetErrorNumber::StillExecuting,
                        QStringLiteral("Still executing last request"));
}

void Inet::setProtocol(short protocol) {
    checkIdle();
    if (protocol != 0 && protocol != ProtocolFtp)
        throw InetError(380, QStringLiteral("Only the FTP protocol (2) is supported."));
    m_protocol = protocol;
}

void Inet::setURL(const QString& url) {
    checkIdle();
    m_url = url;
    QString ignored;
    const std::optional<FtpAddress> address = parseServerAddress(url, m_serverProtocol, &ignored);
    m_remoteHost = address ? QString::fromUtf8(address->host) : QString();
}

void Inet::setUserName(const QString& userName) {
    checkIdle();
    m_userName = userName;
}

void Inet::setPassword(const QString& password) {
    checkIdle();
    m_password = password;
}

void Inet::setRequestTimeout(int seconds) {
    checkIdle();
    m_requestTimeout = seconds;
}

void Inet::setStepStates(bool report) {
    checkIdle();
    m_stepStates = report;
}

void Inet::setServerProtocol(ServerProtocol protocol) {
    checkIdle();
    m_serverProtocol = protocol;
}

void Inet::setSecurityOptions(const SecurityOptions& options) {
    checkIdle();
    m_security = options;
}

void Inet::Execute(const QString& url, const QString& command) {
    checkIdle();

    QString error;
    const std::optional<FtpCommand> parsed = parseFtpCommand(command, &error);
    if (!parsed)
        throw InetError(InetErrorNumber::InvalidCommand, error);
    Execute(url, *parsed);
}

void Inet::Execute(const QString& url, const FtpCommand& command) {
    checkIdle();
    QString error;
    const QString target = url.isEmpty() ? m_url : url;
    checkSendable(target, command, m_userName, m_password);
    const std::optional<FtpAddress> address = parseServerAddress(target, m_serverProtocol, &error);
    if (!address)
        throw InetError(InetErrorNumber::InvalidUrl, error);

    setURL(target);
    FtpJob job;
    // Numbered across every component, since components may share a worker.
    static std::atomic<quint64> lastJob{0};
    job.id = m_job = ++lastJob;
    job.command = command;
    job.address = *address;
    job.userName = m_userName;
    job.password = m_password;
    job.security = m_security;
    job.timeoutSeconds = m_requestTimeout;
    job.stepStates = m_stepStates;

    m_executing = true;
    m_cancelled = false;
    m_reply.clear();
    m_replyPos = 0;
    m_listing.reset();
    m_responseCode = 0;
    m_responseInfo.clear();
    m_untrustedPeer.reset();
    m_lastTransfer = {};
    m_worker->submit(m_front, std::move(job));
}

QString Inet::GetChunk(short size) {
    checkIdle();
    if (m_listing && m_reply.isEmpty() && m_replyPos == 0)
        m_reply = listingText(*m_listing);
    if (size <= 0 || m_replyPos >= m_reply.size())
        return {};
    const QString part = m_reply.mid(m_replyPos, size);
    m_replyPos += part.size();
    return part;
}

SharedListing Inet::Listing() const {
    return m_executing ? SharedListing() : m_listing;
}

void Inet::Cancel() {
    if (!m_executing || m_cancelled)
        return;
    m_cancelled = true;
    m_worker->abandon(m_job);
    const quint64 job = m_job;
    QMetaObject::invokeMethod(
        this, [this, job] { completeCancelled(job); }, Qt::QueuedConnection);
}

void Inet::completeCancelled(quint64 job) {
    if (job != m_job || !m_executing)
        return;
    m_executing = false;
    m_reply.clear();
    m_replyPos = 0;
    m_listing.reset();
    emit StateChanged(InetState::ResponseCompleted);
}

// Handlers of StateChanged may start the next command, wait in a nested event
// loop or even delete this object, so each branch emits last.
void Inet::onWorkerEvent(const FtpEvent& ev) {
    if (ev.job != m_job || m_cancelled || !m_executing)
        return;
    switch (ev.type) {
    case FtpEvent::Type::State:
        emit StateChanged(ev.state);
        return;
    case FtpEvent::Type::Progress:
        emit TransferProgress(ev.done, ev.total);
        return;
    case FtpEvent::Type::Secured:
        m_connectionSecurity = ev.security;
        emit SecurityEstablished();
        return;
    case FtpEvent::Type::Finished:
        m_executing = false;
        m_lastTransfer = ev.facts;
        if (ev.ok) {
            m_reply = ev.reply;
            m_replyPos = 0;
            m_listing = ev.listing;
            emit StateChanged(InetState::ResponseCompleted);
        } else {
            m_responseCode = ev.responseCode;
            m_responseInfo = ev.responseInfo;
            m_untrustedPeer = ev.peer;
            emit StateChanged(InetState::Error);
        }
        return;
    }
}
