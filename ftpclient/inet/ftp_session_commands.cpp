// The commands of the transfer component, each one FTP exchange or more
// over the session's connection.
#include "ftp_session_steps.h"

#include "ftp_reply.h"
#include "inet_codes.h"

QByteArray sftpQuoted(const QByteArray& path) {
    QByteArray quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

void FtpSession::runCommand(const FtpJob& job) {
    m_run.replyText.clear();
    m_run.replyListing.reset();
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
        rc = FileTransfer(*this, job).runGet();
        break;
    case FtpCommand::Kind::Put:
        rc = FileTransfer(*this, job).runPut();
        break;
    case FtpCommand::Kind::Stat:
        rc = FileTransfer(*this, job).runStat();
        break;
    case FtpCommand::Kind::Checksum:
        rc = ContentCheck(*this, job).run();
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
        m_run.listing.reset();
        finishFailed(job, rc);
        return;
    }
    m_reports.state(InetState::ResponseReceived);
    finishOk(job, m_run.replyText, std::move(m_run.replyListing));
    // What a listing kept to sort by goes once the listing is on its way.
    m_run.listing.reset();
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

// libcurl drops an FTP connection when a quoted command fails, so FTP
// commands are sent with failures ignored and their replies checked here.
// Over SFTP a failure keeps the connection, and libcurl's verdict stands.
CURLcode FtpSession::runQuoted(const FtpJob& job, const std::vector<QByteArray>& lines) {
    prepare(job, {});
    curl_easy_setopt(m_curl.easy, CURLOPT_NOBODY, 1L);
    for (const QByteArray& line : lines)
        m_curl.quote((sftp() ? "" : "*") + line);
    curl_easy_setopt(m_curl.easy, CURLOPT_QUOTE, m_curl.quoted);
    const CURLcode result = perform(job, Phase::Command);
    if (result == CURLE_OK && !m_run.trace.firstRefusal(m_server.offer.codec).isEmpty())
        return CURLE_QUOTE_ERROR;
    return result;
}

// Over SFTP there is no current directory: "pwd" names the login directory.
CURLcode FtpSession::runPwd(const FtpJob& job) {
    const CURLcode rc = runQuoted(job, {sftp() ? "pwd" : "PWD"});
    if (rc != CURLE_OK)
        return rc;
    QByteArray path = pwdPath(m_run.trace.replyLines);
    if (sftp() && path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    m_run.replyText = m_server.offer.codec.decode(path);
    return CURLE_OK;
}

// A directory is listed by its path from the login directory where it lies
// there: each entry the server looks at is found by that path.
CURLcode FtpSession::runList(const FtpJob& job) {
    const QByteArray directory = pathBytes(job.command.directory);
    const bool enterFirst = job.command.enterFirst && !sftp();
    if (enterFirst)
        m_server.loginDirectory.clear(); // the connection leaves it for good
    prepare(job, sftp() ? directory : pathFromLoginDirectory(m_server.loginDirectory, directory));
    if (enterFirst) {
        // Over SFTP a directory's listing fails on a file by itself.
        curl_easy_setopt(m_curl.easy, CURLOPT_QUOTE, m_curl.quote("CWD " + directory));
    }
    const ServerOffer& offer = m_server.offer;
    if (offer.mlsd)
        curl_easy_setopt(m_curl.easy, CURLOPT_CUSTOMREQUEST, "MLSD");
    curl_easy_setopt(m_curl.easy, CURLOPT_WRITEFUNCTION, &ListingCapture::written);
    curl_easy_setopt(m_curl.easy, CURLOPT_WRITEDATA, &m_run.listing);
    // libcurl ends the lines of an SFTP listing with a bare LF itself.
    m_run.listing.start(offer.mlsd, offer.codec, job.command.pattern,
                        sftp() ? ListingLineEnds::BareLf : ListingLineEnds::Unknown);
    if (job.command.withTimes)
        m_run.listing.keepTimes();
    const CURLcode rc = perform(job, Phase::Command);
    if (rc == CURLE_OK)
        m_run.replyListing = m_run.listing.finish();
    return rc;
}
