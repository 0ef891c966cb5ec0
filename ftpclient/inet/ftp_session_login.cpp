// Logging in: over FTP the greeting, the switch to TLS, the login and what
// the server can do; over SFTP the SSH session.
#include "ftp_session_steps.h"

#include "ftp_reply.h"

// The greeting, the switch to TLS and the login, and what the server can do.
CURLcode FtpSession::Login::greetFtp() {
    s.prepare(job, {});
    openFreshConnection();
    CURL* e = s.m_curl.easy;
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(e, CURLOPT_QUOTE, s.m_curl.quote("*FEAT"));
    const bool tls = job.address.protocol != ServerProtocol::PlainFtp;
    if (tls)
        curl_easy_setopt(e, CURLOPT_CERTINFO, 1L);
    const CURLcode rc = s.perform(job, Phase::Login);
    s.m_server.secure.peerKeyPin =
        rc == CURLE_OK && tls ? publicKeyPinOf(leafCertificatePem(e)) : QByteArray();
    // libcurl asks for it (PWD) as it logs in.
    const char* entryPath = nullptr;
    if (rc == CURLE_OK)
        curl_easy_getinfo(e, CURLINFO_FTP_ENTRY_PATH, &entryPath);
    s.m_server.loginDirectory = QByteArray(entryPath);
    return rc;
}

bool FtpSession::Login::fallBackToClearText(CURLcode rc) {
    SecureChannel& secure = s.m_server.secure;
    if (rc != CURLE_USE_SSL_FAILED || job.address.protocol != ServerProtocol::FtpTlsIfOffered ||
        !secure.tlsDetails.isEmpty() || !job.security.clearTextAllowed || job.security.tlsExpected)
        return false;
    secure.tlsRefused = true;
    return true;
}

bool FtpSession::Login::loginFtp() {
    const CURLcode rc = connectFtp();
    if (rc != CURLE_OK)
        s.finishFailed(job, rc);
    return rc == CURLE_OK;
}

CURLcode FtpSession::Login::connectFtp() {
    CURLcode rc = greetFtp();
    if (fallBackToClearText(rc))
        rc = greetFtp();
    if (rc != CURLE_OK)
        return rc;

    ServerOffer& offer = s.m_server.offer;
    const ServerFeatures features = readFeatures(s.m_run.trace.replyLines);
    const bool utf8 = features.utf8;
    offer.mlsd = features.mlsd;
    offer.mfmt = features.mfmt;
    offer.checksums = features.checksums;
    if (utf8) {
        s.prepare(job, {});
        curl_easy_setopt(s.m_curl.easy, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(s.m_curl.easy, CURLOPT_QUOTE, s.m_curl.quote("*OPTS UTF8 ON"));
        rc = s.perform(job, Phase::Login);
        if (rc != CURLE_OK)
            return rc;
    }
    offer.codec = FtpNameCodec(utf8);
    return CURLE_OK;
}

// SSH has no greeting to read and no features to ask for: logging in is
// the whole of it. Names are UTF-8 where they are valid UTF-8.
bool FtpSession::Login::loginSftp() {
    s.prepare(job, {});
    openFreshConnection();
    curl_easy_setopt(s.m_curl.easy, CURLOPT_NOBODY, 1L);
    const CURLcode rc = s.perform(job, Phase::Login);
    if (rc != CURLE_OK) {
        s.finishFailed(job, rc);
        return false;
    }
    s.m_server.offer.mlsd = false;
    s.m_server.offer.checksums = {};
    s.m_server.offer.codec = FtpNameCodec(true);
    return true;
}

// A login always opens a connection of its own. One that libcurl still keeps
// is one this session gave up on (after QUIT, a cut, a failure), and libcurl
// may take it for alive: over TLS a server's close_notify waiting unread on
// it looks like data.
void FtpSession::Login::openFreshConnection() {
    curl_easy_setopt(s.m_curl.easy, CURLOPT_FRESH_CONNECT, 1L);
}
