// A remote file's checksum: asked of an FTP server that offers one (HASH,
// or the older X commands), or, when the caller allows it, the file read
// through and hashed on the way, nothing written anywhere.
#include "ftp_session_steps.h"

#include "file_checksum.h"
#include "inet_codes.h"

namespace {

size_t hashWritten(char* data, size_t size, size_t count, void* self) {
    static_cast<ContentHash*>(self)->add(QByteArrayView(data, qsizetype(size * count)));
    return size * count;
}

qint64 bytesRead(CURL* easy) {
    curl_off_t value = -1;
    return curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &value) == CURLE_OK ? qint64(value)
                                                                                 : -1;
}

} // namespace

// SFTP has a "check-file" extension for this, but libssh2 (and so libcurl)
// cannot send extended requests: over SFTP the file is read or nothing.
CURLcode FtpSession::ContentCheck::run() {
    if (!s.sftp()) {
        const ChecksumWay way = chooseChecksumWay(s.m_server.offer.checksums);
        if (way.command != ChecksumWay::Command::None)
            return askServer(way);
    }
    if (job.command.readToHash)
        return readThrough();
    return notKnown(s.sftp() ? QStringLiteral("an SFTP server gives no checksums here")
                             : QStringLiteral("the server offers no checksums"));
}

// The reply is believed only when it holds a digest of the right length
// and, for HASH, of the algorithm asked for and the whole file.
CURLcode FtpSession::ContentCheck::askServer(const ChecksumWay& way) {
    const ServerOffer& offer = s.m_server.offer;
    const QByteArray path = s.pathBytes(job.command.remote);
    s.prepare(job, {});
    curl_easy_setopt(s.m_curl.easy, CURLOPT_NOBODY, 1L);
    // Failures are read from the reply, so that the connection stays.
    if (way.command == ChecksumWay::Command::Hash) {
        if (offer.checksums.hashSelected != way.algorithm)
            s.m_curl.quote("*OPTS HASH " + hashName(way.algorithm));
        s.m_curl.quote("*HASH " + path);
    } else {
        s.m_curl.quote('*' + xCommandOf(way.algorithm) + ' ' + path);
    }
    curl_easy_setopt(s.m_curl.easy, CURLOPT_QUOTE, s.m_curl.quoted);
    const CURLcode rc = s.perform(job, Phase::Command);
    if (rc != CURLE_OK)
        return rc;
    const ReplyLines& lines = s.m_run.trace.replyLines;
    const std::optional<QByteArray> digest =
        way.command == ChecksumWay::Command::Hash
            ? hashReplyDigest(lines, way.algorithm, job.command.transfer.expectedSize)
            : xReplyDigest(lines, way.algorithm);
    if (!digest) {
        QString refusal = s.m_run.trace.lastReplyText('5', offer.codec);
        if (refusal.isEmpty())
            refusal = s.m_run.trace.lastReplyText('4', offer.codec);
        return notKnown(
            refusal.isEmpty()
                ? QStringLiteral("the server's reply held no checksum of the whole file")
                : QStringLiteral("the server refused the checksum: ") + refusal);
    }
    s.m_run.replyText = FileChecksum{way.algorithm, *digest}.text();
    return CURLE_OK;
}

// The bytes go into the hash as they arrive; a file that turns out to have
// another size than the caller knew is not vouched for.
CURLcode FtpSession::ContentCheck::readThrough() {
    ContentHash hash(HashAlgorithm::Sha256);
    const qint64 expected = job.command.transfer.expectedSize;
    s.prepare(job, s.pathBytes(job.command.remote));
    curl_easy_setopt(s.m_curl.easy, CURLOPT_WRITEFUNCTION, &hashWritten);
    curl_easy_setopt(s.m_curl.easy, CURLOPT_WRITEDATA, &hash);
    s.m_progress.begin(0, expected);
    const CURLcode rc = s.perform(job, Phase::Command);
    s.m_progress.end();
    if (rc != CURLE_OK)
        return rc;
    s.m_run.facts.transferred = qMax<qint64>(0, bytesRead(s.m_curl.easy));
    if (expected >= 0 && s.m_run.facts.transferred != expected)
        return notKnown(QStringLiteral("the file changed while it was read"));
    s.m_run.replyText = hash.result().text();
    return CURLE_OK;
}

CURLcode FtpSession::ContentCheck::notKnown(const QString& why) {
    s.m_run.ownFailure = {InetResponse::ServerError, why};
    return CURLE_QUOTE_ERROR;
}
