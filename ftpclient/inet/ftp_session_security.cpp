// TLS and SSH for the session: what libcurl is told to verify and accept,
// how a server's identity that could not be taken on trust is read and
// reported, and what the log learns about a secure connection.
#include "ftp_session_steps.h"

#include "inet_codes.h"
#include "known_host_names.h"
#include "raw_names.h"

#include <QFile>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// The key as libcurl hands it over: raw bytes, or base64 text when its
// length is 0 (the form a known_hosts file keeps).
QByteArray keyBytes(const curl_khkey* key) {
    if (!key || !key->key)
        return {};
    if (key->len > 0)
        return QByteArray(key->key, qsizetype(key->len));
    return QByteArray::fromBase64(QByteArray(key->key));
}

} // namespace

QByteArray leafCertificatePem(CURL* easy) {
    curl_certinfo* info = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CERTINFO, &info) != CURLE_OK || !info ||
        info->num_of_certs < 1)
        return {};
    for (curl_slist* field = info->certinfo[0]; field; field = field->next)
        if (std::strncmp(field->data, "Cert:", 5) == 0)
            return QByteArray(field->data + 5);
    return {};
}

void FtpSession::prepareTls(const FtpJob& job) {
    CURL* e = m_curl.easy;
    switch (job.address.protocol) {
    case ServerProtocol::PlainFtp:
        return;
    case ServerProtocol::FtpTlsIfOffered:
        // Asked for as if required, so that nothing goes out in clear text
        // before the user knows; a server that refused it once, and that
        // the user allowed clear text for, is not asked again.
        if (m_server.secure.tlsRefused && job.security.clearTextAllowed)
            return;
        curl_easy_setopt(e, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        break;
    default:
        curl_easy_setopt(e, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        break;
    }
    curl_easy_setopt(e, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
    const SecurityOptions& security = job.security;
    if (!security.caFile.isEmpty())
        curl_easy_setopt(e, CURLOPT_CAINFO, security.caFile.toLocal8Bit().constData());
    if (!security.pinnedPublicKey.isEmpty()) {
        // A certificate the user trusted stands for itself: only its key
        // has to be the one remembered.
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(e, CURLOPT_PINNEDPUBLICKEY,
                         ("sha256//" + security.pinnedPublicKey).constData());
    }
}

void FtpSession::prepareSsh(const FtpJob& job) {
    CURL* e = m_curl.easy;
    const SecurityOptions& security = job.security;
    // Without a file of its own every key is unknown, and none is taken
    // unless accepted for this connection.
    const QByteArray knownHosts = security.knownHostsFile.isEmpty()
                                      ? QByteArray("/dev/null")
                                      : RawName::encode(security.knownHostsFile);
    curl_easy_setopt(e, CURLOPT_SSH_KNOWNHOSTS, knownHosts.constData());
    curl_easy_setopt(e, CURLOPT_SSH_KEYFUNCTION, &PeerCheck::checkHostKey);
    curl_easy_setopt(e, CURLOPT_SSH_KEYDATA, this);

    long methods = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
    if (!security.privateKeyFile.isEmpty()) {
        methods |= CURLSSH_AUTH_PUBLICKEY;
        curl_easy_setopt(e, CURLOPT_SSH_PRIVATE_KEYFILE,
                         RawName::encode(security.privateKeyFile).constData());
        curl_easy_setopt(e, CURLOPT_KEYPASSWD, security.keyPassphrase.toUtf8().constData());
    }
    if (security.useAgent && std::getenv("SSH_AUTH_SOCK"))
        methods |= CURLSSH_AUTH_AGENT;
    curl_easy_setopt(e, CURLOPT_SSH_AUTH_TYPES, methods);
    // libcurl then checks this key alone, not the known hosts.
    if (!security.pinnedHostKey.isEmpty())
        curl_easy_setopt(e, CURLOPT_SSH_HOST_PUBLIC_KEY_SHA256, security.pinnedHostKey.constData());
}

int FtpSession::PeerCheck::checkHostKey(CURL*, const curl_khkey* known, const curl_khkey* found,
                                        curl_khmatch match, void* self) {
    auto* s = static_cast<FtpSession*>(self);
    RunningJob& run = s->m_run;
    if (!run.job)
        return CURLKHSTAT_REJECT;
    run.trace.hostKeyChecked = true;
    const FtpAddress& address = run.job->address;
    PeerIdentity key = hostKeyIdentity(keyBytes(found), address.host, address.port);
    if (run.probing) {
        run.untrusted = key;
        return CURLKHSTAT_REJECT;
    }
    s->m_server.secure.hostKey = key;
    if (match == CURLKHMATCH_OK)
        return CURLKHSTAT_FINE;
    if (match == CURLKHMATCH_MISSING && !key.keyBlob.isEmpty() &&
        key.keyBlob == run.job->security.acceptedHostKey)
        return CURLKHSTAT_FINE;
    if (match == CURLKHMATCH_MISMATCH) {
        key.problem = PeerIdentity::Problem::Changed;
        key.knownFingerprint = sshFingerprint(keyBytes(known));
    }
    run.untrusted = key;
    return CURLKHSTAT_REJECT;
}

std::optional<PeerIdentity> FtpSession::PeerCheck::probeCertificate(const QString& verifyError) {
    FtpJob probe = job;
    // The server has not been trusted: it gets no password.
    probe.userName.clear();
    probe.password.clear();
    probe.security.pinnedPublicKey.clear();
    s.m_run.probing = true;
    s.prepare(probe, {});
    CURL* e = s.m_curl.easy;
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(e, CURLOPT_CERTINFO, 1L);
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    s.perform(probe, Phase::Login);
    s.m_run.probing = false;
    const QByteArray pem = leafCertificatePem(e);
    if (pem.isEmpty())
        return std::nullopt;
    return certificateIdentity(pem, job.address.host, job.address.port, verifyError);
}

std::optional<PeerIdentity> FtpSession::PeerCheck::probeHostKey() {
    FtpJob probe = job;
    // The server has not been trusted: it gets no name, no password, no key.
    probe.userName.clear();
    probe.password.clear();
    probe.security = SecurityOptions();
    probe.security.useAgent = false;
    s.m_run.untrusted.reset();
    s.m_run.probing = true;
    s.prepare(probe, {});
    CURL* e = s.m_curl.easy;
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    s.perform(probe, Phase::Login);
    s.m_run.probing = false;
    return std::exchange(s.m_run.untrusted, std::nullopt);
}

// libcurl lets a server show only a key of the type its known_hosts file
// holds for it: one that now has keys of other types only cannot even set
// up the session. Its key is then read without the file.
std::optional<PeerIdentity> FtpSession::PeerCheck::hostKeyOfAnotherType() {
    QFile file(job.security.knownHostsFile);
    if (job.security.knownHostsFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> known =
        knownHostKeys(file.readAll(), job.address.host, job.address.port);
    if (known.isEmpty())
        return std::nullopt;
    std::optional<PeerIdentity> shown = probeHostKey();
    if (!shown || known.contains(shown->keyBlob))
        return std::nullopt;
    QStringList fingerprints;
    for (const QByteArray& key : known)
        fingerprints << sshFingerprint(key);
    shown->problem = PeerIdentity::Problem::Changed;
    shown->knownFingerprint = fingerprints.join(QStringLiteral(", "));
    return shown;
}

std::optional<std::pair<int, QString>> FtpSession::PeerCheck::hostKeyFailureOf(CURLcode rc) {
    std::optional<PeerIdentity>& untrusted = s.m_run.untrusted;
    // A connection held to its session's key: no question, a refusal.
    if (rc == CURLE_PEER_FAILED_VERIFICATION && !job.security.pinnedHostKey.isEmpty())
        return std::pair{int(InetResponse::HostKeyChanged),
                         QStringLiteral("The host key of %1 is not the one this session "
                                        "trusted; nothing was sent.")
                             .arg(QString::fromUtf8(job.address.host))};
    const bool sessionNotSetUp =
        (rc == CURLE_FAILED_INIT || rc == CURLE_SSH) && !s.m_run.trace.hostKeyChecked && !untrusted;
    if (sessionNotSetUp)
        untrusted = hostKeyOfAnotherType();
    else if (rc != CURLE_PEER_FAILED_VERIFICATION)
        return std::nullopt;
    if (!untrusted)
        return std::nullopt;
    const QString host = QString::fromUtf8(job.address.host);
    if (untrusted->problem == PeerIdentity::Problem::Changed)
        return std::pair{int(InetResponse::HostKeyChanged),
                         QStringLiteral("The host key of %1 has changed: the server shows %2, "
                                        "but %3 was trusted.")
                             .arg(host, untrusted->fingerprint, untrusted->knownFingerprint)};
    return std::pair{int(InetResponse::HostKeyUnknown),
                     QStringLiteral("The host key of %1 is not known yet: %2.")
                         .arg(host, sshKeyLine(*untrusted))};
}

std::optional<std::pair<int, QString>> FtpSession::PeerCheck::trustFailureOf(CURLcode rc) {
    if (s.sftp())
        return hostKeyFailureOf(rc);
    std::optional<PeerIdentity>& untrusted = s.m_run.untrusted;
    const QString host = QString::fromUtf8(job.address.host);
    const bool pinMismatch = rc == CURLE_SSL_PINNEDPUBKEYNOTMATCH;
    if (rc != CURLE_PEER_FAILED_VERIFICATION && !pinMismatch)
        return std::nullopt;
    const QString verifyError = QString::fromLocal8Bit(s.m_curl.errorText);
    untrusted = probeCertificate(verifyError);
    if (!untrusted)
        return std::pair{
            int(InetResponse::CertificateUntrusted),
            QStringLiteral("The server's certificate is not trusted: %1").arg(verifyError)};
    if (pinMismatch) {
        untrusted->problem = PeerIdentity::Problem::Changed;
        return std::pair{int(InetResponse::CertificateChanged),
                         QStringLiteral("The certificate of %1 has changed since it was trusted; "
                                        "it is now %2.")
                             .arg(host, untrusted->fingerprint)};
    }
    const int code = untrusted->expired     ? InetResponse::CertificateExpired
                     : untrusted->wrongHost ? InetResponse::CertificateWrongHost
                                            : InetResponse::CertificateUntrusted;
    return std::pair{code, QStringLiteral("The certificate of %1 is not trusted. %2")
                               .arg(host, untrusted->reasons.join(u' '))};
}
