// Downloads and uploads: whole, continued from a part file kept beside the
// target, or appended to a remote file; the look at a remote file that
// resuming, appending and Stat rest on; the modification times they keep.
#include "ftp_session.h"

#include "inet_codes.h"
#include "raw_names.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Where a download not kept for resuming is written until it is complete: a
// hidden file beside the target, so that renaming it over the target is one
// step. It is made anew, so a name that happens to be taken fails the Get.
QByteArray hiddenPartFileName(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray dir = target.left(slash + 1);
    const QByteArray name = target.mid(slash + 1);
    const quint64 tag = QRandomGenerator::global()->generate64();
    return dir + '.' + name + ".part-" + QByteArray::number(tag, 16);
}

// Whether the remote file is still the one a part file was begun from, as
// far as the caller knew it then.
bool remoteFileUnchanged(const FtpCommand::Transfer& how, const FtpTransferFacts& facts) {
    const bool sizeFits = how.expectedSize < 0 || how.expectedSize == facts.remoteSize;
    const bool timeFits = how.expectedTime < 0 || how.expectedTime == facts.remoteTime;
    return sizeFits && timeFits;
}

// Copies the whole of `from` into `to` from their current offsets; nothing
// when it fails (with *error) or is abandoned (*error 0).
std::optional<qint64> copyFile(int from, int to, const std::function<bool()>& abandoned,
                               int* error) {
    constexpr size_t kChunk = 64 * 1024 * 1024;
    qint64 copied = 0;
    bool kernelCopies = true;
    std::vector<char> buffer;
    for (;;) {
        *error = 0;
        if (abandoned())
            return std::nullopt;
        ssize_t n = -1;
        if (kernelCopies) {
            n = ::copy_file_range(from, nullptr, to, nullptr, kChunk, 0);
            if (n < 0 &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                kernelCopies = false;
                continue;
            }
        } else {
            buffer.resize(1024 * 1024);
            n = ::read(from, buffer.data(), buffer.size());
            if (n > 0 && !writeAll(to, buffer.data(), size_t(n), error))
                return std::nullopt;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = errno;
            return std::nullopt;
        }
        if (n == 0)
            return copied;
        copied += n;
    }
}

qint64 offsetInfo(CURL* easy, CURLINFO info) {
    curl_off_t value = -1;
    return curl_easy_getinfo(easy, info, &value) == CURLE_OK ? qint64(value) : -1;
}

} // namespace

void FtpSession::beginProgress(qint64 base, qint64 total) {
    m_progressActive = true;
    m_progressBase = base;
    m_progressTotal = total;
}

// The size and modification time of the remote file, nothing moved: SIZE
// and MDTM over FTP, a stat over SFTP.
CURLcode FtpSession::lookUpRemoteFile(const FtpJob& job) {
    prepare(job, pathBytes(job.command.remote));
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_easy, CURLOPT_FILETIME, 1L);
    // Over FTP libcurl also writes what it learnt as header-like lines.
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &FtpSession::discardData);
    const CURLcode rc = perform(job, Phase::Command);
    if (rc != CURLE_OK)
        return rc;
    m_facts.remoteSize = offsetInfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T);
    m_facts.remoteTime = offsetInfo(m_easy, CURLINFO_FILETIME_T);
    // libcurl's SFTP leaves the size of an empty file unknown; an SFTP
    // server that could not tell a size at all would have failed the stat.
    if (sftp() && m_facts.remoteSize < 0)
        m_facts.remoteSize = 0;
    return rc;
}

CURLcode FtpSession::runStat(const FtpJob& job) {
    return lookUpRemoteFile(job);
}

// A download kept for resuming collects its bytes in the caller's part file,
// which a failure leaves behind; any other goes to a hidden file removed on
// failure. Either is renamed over the target only once it is whole.
CURLcode FtpSession::runGet(const FtpJob& job) {
    const FtpCommand::Transfer& how = job.command.transfer;
    const QByteArray target = RawName::encode(job.command.local);
    const QByteArray part = how.part ? RawName::encode(how.part->path) : hiddenPartFileName(target);
    CURLcode rc = openDownloadFile(job, part);
    if (rc != CURLE_OK)
        return rc;
    qint64 from = 0;
    bool whole = false;
    rc = how.part ? chooseDownloadStart(job, &from, &whole) : CURLE_OK;
    if (rc == CURLE_OK && whole)
        reportProgress(from, from, true);
    else if (rc == CURLE_OK)
        rc = download(job, from);
    return finishDownload(job, rc, part, target);
}

// A hidden file is new, made here; a part file is the caller's and is taken
// only while it is still the recorded one. Neither is opened through a link.
CURLcode FtpSession::openDownloadFile(const FtpJob& job, const QByteArray& part) {
    const std::optional<PartFile>& record = job.command.transfer.part;
    const int create = record ? 0 : O_CREAT | O_EXCL;
    m_fileFd = ::open(part.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | create, 0666);
    if (!record)
        return m_fileFd < 0 ? fileFailure(CURLE_WRITE_ERROR) : CURLE_OK;
    if (m_fileFd >= 0 && isRecordedPartFile(m_fileFd, *record))
        return CURLE_OK;
    if (m_fileFd >= 0)
        ::close(m_fileFd);
    m_fileFd = -1;
    m_ownFailure = {InetResponse::LocalError,
                    QStringLiteral("The part file %1 is not the one this download made; it was "
                                   "left alone.")
                        .arg(RawName::shownWithMarks(record->path))};
    return CURLE_WRITE_ERROR;
}

// Where a part file goes on: at its end while the remote file is still the
// one it was begun from and no shorter than it (`whole` when just as long);
// otherwise it is emptied and the download starts over. One begun from a
// local file starts as a copy of it.
CURLcode FtpSession::chooseDownloadStart(const FtpJob& job, qint64* from, bool* whole) {
    const FtpCommand::Transfer& how = job.command.transfer;
    qint64 kept = 0;
    const CURLcode seeded = how.seedFrom.isEmpty() ? keptPartSize(&kept) : seedPartFile(job, &kept);
    if (seeded != CURLE_OK)
        return seeded;
    if ((how.resume || !how.seedFrom.isEmpty()) && kept > 0) {
        const CURLcode rc = lookUpRemoteFile(job);
        if (rc != CURLE_OK)
            return rc;
        const qint64 remoteSize = m_facts.remoteSize;
        if (remoteFileUnchanged(how, m_facts) && (remoteSize < 0 || kept <= remoteSize)) {
            *from = kept;
            *whole = kept == remoteSize;
            m_facts.resumedFrom = kept;
            return ::lseek(m_fileFd, 0, SEEK_END) < 0 ? fileFailure(CURLE_WRITE_ERROR) : CURLE_OK;
        }
    }
    if (kept > 0 && ::ftruncate(m_fileFd, 0) != 0)
        return fileFailure(CURLE_WRITE_ERROR);
    return ::lseek(m_fileFd, 0, SEEK_SET) < 0 ? fileFailure(CURLE_WRITE_ERROR) : CURLE_OK;
}

CURLcode FtpSession::keptPartSize(qint64* kept) {
    struct stat st {};
    if (::fstat(m_fileFd, &st) != 0)
        return fileFailure(CURLE_WRITE_ERROR);
    *kept = st.st_size;
    return CURLE_OK;
}

// The part file becomes a copy of the local file the download continues; the
// local file itself stays as it is. The kernel copies, by reference where
// the file system can.
CURLcode FtpSession::seedPartFile(const FtpJob& job, qint64* kept) {
    const QByteArray seed = RawName::encode(job.command.transfer.seedFrom);
    const int source = ::open(seed.constData(), O_RDONLY | O_CLOEXEC);
    if (source < 0 || ::ftruncate(m_fileFd, 0) != 0) {
        m_fileErrno = errno;
        if (source >= 0)
            ::close(source);
        return source < 0 ? CURLE_READ_ERROR : CURLE_WRITE_ERROR;
    }
    const std::optional<qint64> copied = copyFile(
        source, m_fileFd, [this, &job] { return m_host.abandoned(job.id); }, &m_fileErrno);
    ::close(source);
    if (!copied)
        return m_fileErrno == 0 ? CURLE_ABORTED_BY_CALLBACK : CURLE_WRITE_ERROR;
    *kept = *copied;
    return CURLE_OK;
}

CURLcode FtpSession::fileFailure(CURLcode rc) {
    m_fileErrno = errno;
    return rc;
}

// A transfer that moved nothing may be refused for the TLS session an upload
// spent: it gets one more try on a new login (see renewSpentTlsSession).
CURLcode FtpSession::download(const FtpJob& job, qint64 from) {
    CURLcode rc = downloadOnce(job, from);
    if (m_facts.transferred == 0 && renewSpentTlsSession(job, rc)) {
        m_ownFailure.reset();
        rc = downloadOnce(job, from);
    }
    return rc;
}

CURLcode FtpSession::downloadOnce(const FtpJob& job, qint64 from) {
    prepare(job, pathBytes(job.command.remote));
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &FtpSession::writeFileData);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    if (from > 0)
        curl_easy_setopt(m_easy, CURLOPT_RESUME_FROM_LARGE, curl_off_t(from));
    if (job.command.transfer.keepTime && m_facts.remoteTime < 0)
        curl_easy_setopt(m_easy, CURLOPT_FILETIME, 1L);
    const qint64 listed = job.command.transfer.expectedSize;
    beginProgress(from, m_facts.remoteSize >= 0 ? m_facts.remoteSize : listed);
    CURLcode rc = perform(job, Phase::Command);
    m_progressActive = false;
    m_facts.transferred = qMax<qint64>(0, offsetInfo(m_easy, CURLINFO_SIZE_DOWNLOAD_T));
    // Progress ends at what arrived, however the transfer ended.
    reportProgress(from + m_facts.transferred,
                   m_facts.remoteSize >= 0 ? m_facts.remoteSize : qMax<qint64>(listed, 0), true);
    // What the server said the rest would be (SIZE, or the size in its
    // reply to RETR); libcurl holds the transfer to it.
    const qint64 told = offsetInfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T);
    if (rc == CURLE_OK)
        rc = checkArrivedSize(job, from, told >= 0 ? from + told : listed);
    if (m_facts.remoteSize < 0) {
        const qint64 rest = rc == CURLE_OK ? m_facts.transferred : told;
        if (rest >= 0)
            m_facts.remoteSize = from + rest;
    }
    if (m_facts.remoteTime < 0)
        m_facts.remoteTime = offsetInfo(m_easy, CURLINFO_FILETIME_T);
    return rc;
}

// A server that says nothing of the size may still end a transfer early and
// call it complete: what arrived is held to the size it said, else to the
// listing's.
CURLcode FtpSession::checkArrivedSize(const FtpJob& job, qint64 from, qint64 expected) {
    const qint64 arrived = from + m_facts.transferred;
    if (expected < 0 || arrived == expected)
        return CURLE_OK;
    m_ownFailure = {InetResponse::ConnectionLost,
                    QStringLiteral("Only %1 of the %2 bytes of %3 arrived, although the server "
                                   "called the transfer complete.")
                        .arg(arrived)
                        .arg(expected)
                        .arg(RawName::shownAsLatin1(job.command.remote))};
    return CURLE_PARTIAL_FILE;
}

// Closes the file the download went to and puts it in place when whole. A
// failed one goes, unless it is a part file that holds something. Either
// step is taken only while the name still leads to the file written.
CURLcode FtpSession::finishDownload(const FtpJob& job, CURLcode rc, const QByteArray& part,
                                    const QByteArray& target) {
    const FtpCommand::Transfer& how = job.command.transfer;
    if (rc == CURLE_OK && how.keepTime && m_facts.remoteTime >= 0) {
        // A time that cannot be set leaves the file no worse: not a failure.
        const timespec times[2] = {{0, UTIME_OMIT}, {time_t(m_facts.remoteTime), 0}};
        ::futimens(m_fileFd, times);
    }
    struct stat written {};
    struct stat named {};
    const bool stated = ::fstat(m_fileFd, &written) == 0;
    const bool empty = stated && written.st_size == 0;
    const bool sameFile = stated && ::lstat(part.constData(), &named) == 0 &&
                          named.st_dev == written.st_dev && named.st_ino == written.st_ino;
    if (how.part && stated) {
        m_facts.partSize = written.st_size;
        m_facts.partModifiedNs =
            qint64(written.st_mtim.tv_sec) * 1000000000 + written.st_mtim.tv_nsec;
    }
    if (::close(m_fileFd) != 0 && rc == CURLE_OK)
        rc = fileFailure(CURLE_WRITE_ERROR);
    m_fileFd = -1;
    // Cancelled just as the last byte came: the target stays as it was.
    if (rc == CURLE_OK && how.part && m_host.abandoned(job.id))
        rc = CURLE_ABORTED_BY_CALLBACK;
    if (rc == CURLE_OK && !sameFile) {
        m_ownFailure = {InetResponse::LocalError,
                        QStringLiteral("%1 was replaced while the download ran; the download was "
                                       "not put in place.")
                            .arg(RawName::shownWithMarks(RawName::decode(part)))};
        rc = CURLE_WRITE_ERROR;
    }
    if (rc == CURLE_OK && ::rename(part.constData(), target.constData()) != 0)
        rc = fileFailure(CURLE_WRITE_ERROR);
    if (rc != CURLE_OK && (!how.part || empty) && sameFile)
        ::unlink(part.constData());
    return rc;
}

CURLcode FtpSession::runPut(const FtpJob& job) {
    m_fileFd = ::open(RawName::encode(job.command.local).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (m_fileFd < 0 || ::fstat(m_fileFd, &st) != 0 || S_ISDIR(st.st_mode)) {
        m_fileErrno = m_fileFd < 0 ? errno : EISDIR;
        if (m_fileFd >= 0)
            ::close(m_fileFd);
        m_fileFd = -1;
        return CURLE_READ_ERROR;
    }
    qint64 from = 0;
    CURLcode rc =
        job.command.transfer.append ? chooseAppendStart(job, st.st_size, &from) : CURLE_OK;
    if (rc == CURLE_OK)
        rc = upload(job, st.st_size, st.st_mtim.tv_sec, from);
    ::close(m_fileFd);
    m_fileFd = -1;
    return rc;
}

// Where an appending upload goes on: at the end of the remote file, or at
// the start when there is none. A remote file longer than the local one
// cannot be its beginning.
CURLcode FtpSession::chooseAppendStart(const FtpJob& job, qint64 localSize, qint64* from) {
    const CURLcode rc = lookUpRemoteFile(job);
    if (rc == CURLE_REMOTE_FILE_NOT_FOUND)
        return CURLE_OK;
    if (rc != CURLE_OK)
        return rc;
    const QString remote = RawName::shownWithMarks(job.command.remote);
    if (m_facts.remoteSize < 0) {
        m_ownFailure = {InetResponse::ServerError,
                        QStringLiteral("The server does not tell the size of %1, so the upload "
                                       "cannot continue it.")
                            .arg(remote)};
        return CURLE_UPLOAD_FAILED;
    }
    if (m_facts.remoteSize > localSize) {
        m_ownFailure = {InetResponse::LocalError,
                        QStringLiteral("The remote file %1 (%2 bytes) is larger than the local "
                                       "file %3 (%4 bytes), so the upload cannot continue it.")
                            .arg(remote)
                            .arg(m_facts.remoteSize)
                            .arg(RawName::shownWithMarks(job.command.local))
                            .arg(localSize)};
        return CURLE_UPLOAD_FAILED;
    }
    *from = m_facts.remoteSize;
    m_facts.resumedFrom = *from;
    return CURLE_OK;
}

CURLcode FtpSession::upload(const FtpJob& job, qint64 localSize, qint64 localTime, qint64 from) {
    CURLcode rc = uploadOnce(job, localSize, localTime, from);
    if (m_facts.transferred == 0 && renewSpentTlsSession(job, rc)) {
        if (::lseek(m_fileFd, 0, SEEK_SET) < 0)
            return fileFailure(CURLE_READ_ERROR);
        rc = uploadOnce(job, localSize, localTime, from);
    }
    // The upload's data connection took the session it resumed with it.
    if (!sftp() && !m_tlsDetails.isEmpty())
        m_tlsSessionSpent = true;
    return rc;
}

CURLcode FtpSession::uploadOnce(const FtpJob& job, qint64 localSize, qint64 localTime,
                                qint64 from) {
    prepare(job, pathBytes(job.command.remote));
    curl_easy_setopt(m_easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(localSize));
    curl_easy_setopt(m_easy, CURLOPT_READFUNCTION, &FtpSession::readFileData);
    curl_easy_setopt(m_easy, CURLOPT_READDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_SEEKFUNCTION, &FtpSession::seekFileData);
    curl_easy_setopt(m_easy, CURLOPT_SEEKDATA, this);
    if (from > 0) {
        // libcurl seeks the local file to `from` and sends the rest: APPE
        // over FTP, writes at the end of the remote file over SFTP.
        curl_easy_setopt(m_easy, CURLOPT_APPEND, 1L);
        curl_easy_setopt(m_easy, CURLOPT_RESUME_FROM_LARGE, curl_off_t(from));
    }
    if (job.command.transfer.keepTime) {
        for (const QByteArray& line : remoteTimeLines(job, localTime))
            m_quote = curl_slist_append(m_quote, line.constData());
        curl_easy_setopt(m_easy, CURLOPT_POSTQUOTE, m_quote);
    }
    beginProgress(from, localSize);
    m_uploading = true;
    m_uploadAccepted = false;
    const CURLcode rc = perform(job, Phase::Command);
    m_uploading = false;
    m_uploadAccepted = false;
    m_progressActive = false;
    m_facts.transferred = qMax<qint64>(0, offsetInfo(m_easy, CURLINFO_SIZE_UPLOAD_T));
    if (rc == CURLE_OK) {
        m_facts.remoteSize = from + m_facts.transferred;
        // What the look before the upload saw is no longer so.
        m_facts.remoteTime = -1;
    }
    return rc;
}
