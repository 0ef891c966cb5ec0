#include "clock_probe.h"

#include "ftp_address.h"
#include "inet.h"
#include "inet_error.h"
#include "inet_job.h"
#include "sync_types.h"

#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryFile>

namespace {

// A name no one else gives a file: tarlen's mark and 64 random bits.
QString probeName() {
    return QStringLiteral(".tarlen-clock-%1.tmp")
        .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
}

// `shown` less the time of the upload, to the nearest quarter hour; nothing
// when that is further from UTC than any zone. A listed time given to the
// minute is up to 59 seconds behind, and the upload took from `start` to
// `end`: the middle of all that is taken.
std::optional<qint64> offsetOf(qint64 shown, qint64 start, qint64 end) {
    return clockOffsetOf(shown, (start + end) / 2);
}

bool listingHolds(const InetResult& result, const QString& name) {
    if (!result.listing)
        return false;
    for (const auto* entries : {&result.listing->files, &result.listing->directories})
        for (const RemoteEntry& entry : *entries)
            if (entry.name == name)
                return true;
    return false;
}

const RemoteEntry* fileNamed(const InetResult& result, const QString& name) {
    if (!result.listing)
        return nullptr;
    for (const RemoteEntry& entry : result.listing->files)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

} // namespace

ClockProbe::ClockProbe(const QueueLogin& login, const QString& folder, QObject* parent)
    : QObject(parent)
    , m_login(login)
    , m_folder(folder.endsWith(u'/') ? folder : folder + u'/')
    , m_name(probeName()) {}

ClockProbe::~ClockProbe() {
    cancel();
}

void ClockProbe::start() {
    m_result = Result();
    m_inet = std::make_unique<Inet>();
    try {
        m_inet->setRequestTimeout(30);
        m_inet->setStepStates(false);
        m_inet->setServerProtocol(m_login.demandedProtocol());
        m_inet->setURL(m_login.address);
        m_inet->setUserName(m_login.user);
        m_inet->setPassword(m_login.password);
        const auto address =
            parseServerAddress(m_login.address, m_login.demandedProtocol(), nullptr);
        if (address)
            m_inet->setSecurityOptions(m_login.securityFor(*address));
    } catch (const InetError& e) {
        QMetaObject::invokeMethod(
            this, [this, text = e.description()] { fail(text); }, Qt::QueuedConnection);
        return;
    }
    run(listing(), &ClockProbe::checkedAbsent);
}

void ClockProbe::cancel() {
    if (m_job)
        m_job->discard();
    m_job = nullptr;
}

QString ClockProbe::remoteFile() const {
    return m_folder + m_name;
}

FtpCommand ClockProbe::listing() const {
    FtpCommand command = FtpCommand::list(QStringLiteral("LS"), m_folder);
    command.withTimes = true;
    return command;
}

void ClockProbe::run(const FtpCommand& command, void (ClockProbe::*next)(const InetResult&)) {
    m_job = InetJob::start(*m_inet, command, this);
    connect(m_job, &InetJob::finished, this, [this, next](const InetResult& result) {
        m_job = nullptr;
        (this->*next)(result);
    });
}

void ClockProbe::checkedAbsent(const InetResult& result) {
    if (!result.completed())
        return fail(QStringLiteral("The server's folder could not be listed: %1").arg(result.info));
    if (listingHolds(result, m_name))
        return fail(QStringLiteral("The server's folder holds %1 already; nothing was uploaded.")
                        .arg(m_name));
    m_empty =
        std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/tarlen-clock-XXXXXX"));
    if (!m_empty->open())
        return fail(QStringLiteral("No empty file could be made to upload: %1")
                        .arg(m_empty->errorString()));
    m_empty->close();
    m_uploadStart = QDateTime::currentSecsSinceEpoch();
    run(FtpCommand::put(m_empty->fileName(), remoteFile()), &ClockProbe::uploaded);
}

void ClockProbe::uploaded(const InetResult& result) {
    m_uploadEnd = QDateTime::currentSecsSinceEpoch();
    m_empty.reset();
    if (!result.completed()) {
        // Whatever the server made of it goes again.
        m_result.problem =
            QStringLiteral("The file could not be uploaded to find out the server's clock: %1")
                .arg(result.info);
        run(FtpCommand::remove(remoteFile()), &ClockProbe::deleted);
        return;
    }
    run(listing(), &ClockProbe::listedAfter);
}

void ClockProbe::listedAfter(const InetResult& result) {
    const RemoteEntry* file = result.completed() ? fileNamed(result, m_name) : nullptr;
    if (file && file->modified >= 0)
        m_result.offsetSeconds = offsetOf(file->modified, m_uploadStart, m_uploadEnd);
    else
        m_result.problem = QStringLiteral("The server's listing shows no time for the file "
                                          "tarlen uploaded.");
    run(FtpCommand::stat(remoteFile()), &ClockProbe::timed);
}

void ClockProbe::timed(const InetResult& result) {
    if (result.completed() && result.facts.remoteTime >= 0)
        m_result.exactOffsetSeconds = offsetOf(result.facts.remoteTime, m_uploadStart, m_uploadEnd);
    run(FtpCommand::remove(remoteFile()), &ClockProbe::deleted);
}

void ClockProbe::deleted(const InetResult& result) {
    if (!result.completed() && m_result.problem.isEmpty())
        m_result.problem =
            QStringLiteral("The file %1 that tarlen uploaded could not be deleted: %2")
                .arg(remoteFile(), result.info);
    if (!m_result.offsetSeconds && m_result.problem.isEmpty())
        m_result.problem =
            QStringLiteral("The server's listed time of the uploaded file is further from UTC "
                           "than any time zone.");
    emit finished(m_result);
}

void ClockProbe::fail(const QString& problem) {
    m_result.problem = problem;
    emit finished(m_result);
}
