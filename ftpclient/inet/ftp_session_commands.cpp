// The commands of the transfer component, each one FTP exchange or more
// over the session's connection.
#include "ftp_session.h"

#include "ftp_reply.h"
#include "inet_codes.h"

#include <QDateTime>

namespace {

// A path as a quoted SFTP command takes it: in double quotes, with quotes
// and backslashes escaped.
QByteArray sftpQuoted(const QByteArray& path) {
    QByteArray quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace

void FtpSession::runCommand(const FtpJob& job) {
    m_replyText.clear();
    m_replyListing.reset();
    CURLcode rc = CURLE_OK;
    const FtpCommand& cmd = job.command;
    switch (cmd.kind) {
    case FtpCommand::Kind::Pwd:
        rc = runPwd(job);
        break;
    case FtpCommand::Kind::List:
        rc = runList(job);
        break;
    case FtpCommand::Kind::Get:
        rc = runGet(job);
        break;
    case FtpCommand::Kind::Put:
        rc = runPut(job);
        break;
    case FtpCommand::Kind::Stat:
        rc = runStat(job);
        break;
    case FtpCommand::Kind::Delete:
    case FtpCommand::Kind::MakeDir:
    case FtpCommand::Kind::RemoveDir:
    case FtpCommand::Kind::Rename:
        rc = runQuoted(job, quotedLinesFor(cmd));
        break;
    case FtpCommand::Kind::Quit:
        break;
    }
    if (rc != CURLE_OK) {
        m_listing.reset();
        finishFailed(job, rc);
        return;
    }
    reportState(InetState::ResponseReceived);
    finishOk(job, m_replyText, std::move(m_replyListing));
    // What a listing kept to sort by goes once the listing is on its way.
    m_listing.reset();
}

// The file commands as quoted commands: FTP's own, or the ones libcurl
// carries out over SFTP, whose paths go in double quotes.
std::vector<QByteArray> FtpSession::quotedLinesFor(const FtpCommand& command) const {
    const QByteArray remote = pathBytes(command.remote);
    using Kind = FtpCommand::Kind;
    if (sftp()) {
        const QByteArray path = sftpQuoted(remote);
        switch (command.kind) {
        case Kind::Delete:
            return {"rm " + path};
        case Kind::MakeDir:
            return {"mkdir " + path};
        case Kind::RemoveDir:
            return {"rmdir " + path};
        case Kind::Rename:
            return {"rename " + path + ' ' + sftpQuoted(pathBytes(command.newRemote))};
        default:
            return {};
        }
    }
    switch (command.kind) {
    case Kind::Delete:
        return {"DELE " + remote};
    case Kind::MakeDir:
        return {"MKD " + remote};
    case Kind::RemoveDir:
        return {"RMD " + remote};
    case Kind::Rename:
        return {"RNFR " + remote, "RNTO " + pathBytes(command.newRemote)};
    default:
        return {};
    }
}

// The quoted command that gives an uploaded file its modification time,
// sent with failures ignored, as a server may not allow it: MFMT where the
// FTP server announces it, else the MDTM with a time in front of the path
// that vsftpd and others take; SFTP's "mtime" over SFTP.
std::vector<QByteArray> FtpSession::remoteTimeLines(const FtpJob& job, qint64 time) const {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(time, Qt::UTC);
    const QByteArray remote = pathBytes(job.command.remote);
    if (sftp()) {
        const QByteArray date = when.toString(QStringLiteral("yyyyMMdd HH:mm:ss 'GMT'")).toLatin1();
        return {"*mtime \"" + date + "\" " + sftpQuoted(remote)};
    }
    const QByteArray stamp = when.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    return {(m_mfmt ? "*MFMT " : "*MDTM ") + stamp + ' ' + remote};
}

// libcurl drops an FTP connection when a quoted command fails, so FTP
// commands are sent with failures ignored and their replies checked here.
// Over SFTP a failure keeps the connection, and libcurl's verdict stands.
CURLcode FtpSession::runQuoted(const FtpJob& job, const std::vector<QByteArray>& lines) {
    prepare(job, {});
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    for (const QByteArray& line : lines)
        m_quote = curl_slist_append(m_quote, ((sftp() ? "" : "*") + line).constData());
    curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_quote);
    const CURLcode result = perform(job, Phase::Command);
    if (result == CURLE_OK && !firstRefusal().isEmpty())
        return CURLE_QUOTE_ERROR;
    return result;
}

// Over SFTP there is no current directory: "pwd" names the login directory.
CURLcode FtpSession::runPwd(const FtpJob& job) {
    const CURLcode rc = runQuoted(job, {sftp() ? "pwd" : "PWD"});
    if (rc != CURLE_OK)
        return rc;
    QByteArray path = pwdPath(m_replyLines);
    if (sftp() && path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    m_replyText = m_codec.decode(path);
    return CURLE_OK;
}

CURLcode FtpSession::runList(const FtpJob& job) {
    CURLcode rc = listOnce(job);
    if (renewSpentTlsSession(job, rc))
        rc = listOnce(job);
    return rc;
}

CURLcode FtpSession::listOnce(const FtpJob& job) {
    prepare(job, pathBytes(job.command.directory));
    if (job.command.enterFirst && !sftp()) {
        // Over SFTP a directory's listing fails on a file by itself.
        const QByteArray enter = "CWD " + pathBytes(job.command.directory);
        m_quote = curl_slist_append(m_quote, enter.constData());
        curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_quote);
    }
    if (m_mlsd)
        curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, "MLSD");
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &FtpSession::collectData);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    // libcurl ends the lines of an SFTP listing with a bare LF itself.
    m_listing.emplace(m_mlsd, m_codec, job.command.pattern,
                      sftp() ? ListingLineEnds::BareLf : ListingLineEnds::Unknown);
    m_listingTraced = false;
    const CURLcode rc = perform(job, Phase::Command);
    if (rc == CURLE_OK)
        m_replyListing = std::make_shared<const RemoteListing>(m_listing->finish());
    return rc;
}
