// Downloads and uploads: whole, continued from a part file kept beside the
// target, or appended to a remote file; the look at a remote file that
// resuming, appending and Stat rest on; the modification times they keep.
#include "ftp_session_steps.h"

#include "inet_codes.h"
#include "raw_names.h"

#include <QDateTime>
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

// What libcurl writes of a look at a file is not wanted.
size_t discardData(char*, size_t size, size_t count, void*) {
    return size * count;
}

qint64 offsetInfo(CURL* easy, CURLINFO info) {
    curl_off_t value = -1;
    return curl_easy_getinfo(easy, info, &value) == CURLE_OK ? qint64(value) : -1;
}

} // namespace

// The size and modification time of the remote file, nothing moved: SIZE
// and MDTM over FTP, a stat over SFTP.
CURLcode FtpSession::FileTransfer::lookUpRemoteFile() {
    s.prepare(job, s.pathBytes(job.command.remote));
    curl_easy_setopt(s.m_curl.easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(s.m_curl.easy, CURLOPT_FILETIME, 1L);
    // Over FTP libcurl also writes what it learnt as header-like lines.
    curl_easy_setopt(s.m_curl.easy, CURLOPT_WRITEFUNCTION, &discardData);
    const CURLcode rc = s.perform(job, Phase::Command);
    if (rc != CURLE_OK)
        return rc;
    facts.remoteSize = offsetInfo(s.m_curl.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T);
    facts.remoteTime = offsetInfo(s.m_curl.easy, CURLINFO_FILETIME_T);
    // libcurl's SFTP leaves the size of an empty file unknown; an SFTP
    // server that could not tell a size at all would have failed the stat.
    if (s.sftp() && facts.remoteSize < 0)
        facts.remoteSize = 0;
    return rc;
}

CURLcode FtpSession::FileTransfer::runStat() {
    return lookUpRemoteFile();
}

// A download kept for resuming collects its bytes in the caller's part file,
// which a failure leaves behind; any other goes to a hidden file removed on
// failure. Either is renamed over the target only once it is whole.
CURLcode FtpSession::FileTransfer::runGet() {
    const FtpCommand::Transfer& how = job.command.transfer;
    const QByteArray target = RawName::encode(job.command.local);
    const QByteArray part = how.part ? RawName::encode(how.part->path) : hiddenPartFileName(target);
    CURLcode rc = openDownloadFile(part);
    if (rc != CURLE_OK)
        return rc;
    qint64 from = 0;
    bool whole = false;
    rc = how.part ? chooseDownloadStart(&from, &whole) : CURLE_OK;
    if (rc == CURLE_OK && whole)
        s.m_reports.progress(from, from, true);
    else if (rc == CURLE_OK)
        rc = download(from);
    return finishDownload(rc, part, target);
}

// A hidden file is new, made here; a part file is the caller's and is taken
// only while it is still the recorded one. Neither is opened through a link.
CURLcode FtpSession::FileTransfer::openDownloadFile(const QByteArray& part) {
    const std::optional<PartFile>& record = job.command.transfer.part;
    const int create = record ? 0 : O_CREAT | O_EXCL;
    file.fd = ::open(part.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | create, 0666);
    if (!record)
        return file.fd < 0 ? file.fail(CURLE_WRITE_ERROR) : CURLE_OK;
    if (file.fd >= 0 && isRecordedPartFile(file.fd, *record))
        return CURLE_OK;
    if (file.fd >= 0)
        ::close(file.fd);
    file.fd = -1;
    return failOwn(InetResponse::LocalError,
                   QStringLiteral("The part file %1 is not the one this download made; it was "
                                  "left alone.")
                       .arg(RawName::shownWithMarks(record->path)),
                   CURLE_WRITE_ERROR);
}

// Where a part file goes on: at its end while the remote file is still the
// one it was begun from and no shorter than it (`whole` when just as long);
// otherwise it is emptied and the download starts over. One begun from a
// local file starts as a copy of it.
CURLcode FtpSession::FileTransfer::chooseDownloadStart(qint64* from, bool* whole) {
    const FtpCommand::Transfer& how = job.command.transfer;
    qint64 kept = 0;
    const CURLcode seeded = how.seedFrom.isEmpty() ? keptPartSize(&kept) : seedPartFile(&kept);
    if (seeded != CURLE_OK)
        return seeded;
    if ((how.resume || !how.seedFrom.isEmpty()) && kept > 0) {
        const CURLcode rc = lookUpRemoteFile();
        if (rc != CURLE_OK)
            return rc;
        const qint64 remoteSize = facts.remoteSize;
        if (remoteFileUnchanged(how, facts) && (remoteSize < 0 || kept <= remoteSize)) {
            *from = kept;
            *whole = kept == remoteSize;
            facts.resumedFrom = kept;
            return ::lseek(file.fd, 0, SEEK_END) < 0 ? file.fail(CURLE_WRITE_ERROR) : CURLE_OK;
        }
    }
    if (kept > 0 && ::ftruncate(file.fd, 0) != 0)
        return file.fail(CURLE_WRITE_ERROR);
    return ::lseek(file.fd, 0, SEEK_SET) < 0 ? file.fail(CURLE_WRITE_ERROR) : CURLE_OK;
}

CURLcode FtpSession::FileTransfer::keptPartSize(qint64* kept) {
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        return file.fail(CURLE_WRITE_ERROR);
    *kept = st.st_size;
    return CURLE_OK;
}

// The part file becomes a copy of the local file the download continues; the
// local file itself stays as it is. The kernel copies, by reference where
// the file system can.
CURLcode FtpSession::FileTransfer::seedPartFile(qint64* kept) {
    const QByteArray seed = RawName::encode(job.command.transfer.seedFrom);
    const int source = ::open(seed.constData(), O_RDONLY | O_CLOEXEC);
    if (source < 0 || ::ftruncate(file.fd, 0) != 0) {
        file.error = errno;
        if (source >= 0)
            ::close(source);
        return source < 0 ? CURLE_READ_ERROR : CURLE_WRITE_ERROR;
    }
    const std::optional<qint64> copied = copyFile(
        source, file.fd, [this] { return s.m_reports.abandoned(job.id); }, &file.error);
    ::close(source);
    if (!copied)
        return file.error == 0 ? CURLE_ABORTED_BY_CALLBACK : CURLE_WRITE_ERROR;
    *kept = *copied;
    return CURLE_OK;
}

CURLcode FtpSession::FileTransfer::download(qint64 from) {
    s.prepare(job, s.pathBytes(job.command.remote));
    curl_easy_setopt(s.m_curl.easy, CURLOPT_WRITEFUNCTION, &LocalFile::write);
    curl_easy_setopt(s.m_curl.easy, CURLOPT_WRITEDATA, &file);
    if (from > 0)
        curl_easy_setopt(s.m_curl.easy, CURLOPT_RESUME_FROM_LARGE, curl_off_t(from));
    if (job.command.transfer.keepTime && facts.remoteTime < 0)
        curl_easy_setopt(s.m_curl.easy, CURLOPT_FILETIME, 1L);
    // The size known before the transfer: the look at the file, else the
    // listing the caller took it from.
    const qint64 known =
        facts.remoteSize >= 0 ? facts.remoteSize : job.command.transfer.expectedSize;
    // A whole file of known size is not asked for its size once more (SIZE
    // before RETR): what arrives is held to the known size instead. libcurl
    // sends no REST without asking, so a continued one still asks.
    const bool sizeNotAsked = !s.sftp() && from == 0 && known >= 0;
    if (sizeNotAsked)
        curl_easy_setopt(s.m_curl.easy, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    s.m_progress.begin(from, known);
    CURLcode rc = s.perform(job, Phase::Command);
    s.m_progress.end();
    // What arrived goes to the file however the transfer ended: a part file
    // then holds all of it.
    if (!file.flush() && rc == CURLE_OK)
        rc = CURLE_WRITE_ERROR;
    facts.transferred = qMax<qint64>(0, offsetInfo(s.m_curl.easy, CURLINFO_SIZE_DOWNLOAD_T));
    // Progress ends at what arrived, however the transfer ended.
    s.m_reports.progress(from + facts.transferred, qMax<qint64>(known, 0), true);
    // What the server said the rest would be (SIZE, or the size in its
    // reply to RETR); libcurl holds the transfer to it.
    const qint64 told = offsetInfo(s.m_curl.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T);
    if (facts.remoteTime < 0)
        facts.remoteTime = offsetInfo(s.m_curl.easy, CURLINFO_FILETIME_T);
    qint64 expected = told >= 0 ? from + told : known;
    if (rc == CURLE_OK && sizeNotAsked && told < 0 && facts.transferred != known)
        rc = askSizeAfter(&expected);
    if (rc == CURLE_OK)
        rc = checkArrivedSize(from, expected);
    if (facts.remoteSize < 0) {
        const qint64 rest = rc == CURLE_OK ? facts.transferred : told;
        if (rest >= 0)
            facts.remoteSize = from + rest;
    }
    return rc;
}

// A whole file not asked for its size brought other than was known: the
// listing may round (VMS lists blocks) or be older than the file. The
// server's own word (SIZE) then says what should have arrived; without one
// the known size stands.
CURLcode FtpSession::FileTransfer::askSizeAfter(qint64* expected) {
    const qint64 size = facts.remoteSize;
    const qint64 time = facts.remoteTime;
    const CURLcode rc = lookUpRemoteFile();
    if (rc == CURLE_ABORTED_BY_CALLBACK)
        return rc;
    if (rc == CURLE_OK && facts.remoteSize >= 0)
        *expected = facts.remoteSize;
    else
        facts.remoteSize = size;
    if (facts.remoteTime < 0)
        facts.remoteTime = time;
    return CURLE_OK;
}

// A server that says nothing of the size may still end a transfer early and
// call it complete: what arrived is held to the size it said, else to the
// one known before. More than that is a file that changed since.
CURLcode FtpSession::FileTransfer::checkArrivedSize(qint64 from, qint64 expected) {
    const qint64 arrived = from + facts.transferred;
    if (expected < 0 || arrived == expected)
        return CURLE_OK;
    if (arrived > expected) {
        return failOwn(InetResponse::ConnectionLost,
                       QStringLiteral("%1 bytes of %3 arrived where %2 were expected; the file "
                                      "changed since it was listed.")
                           .arg(arrived)
                           .arg(expected)
                           .arg(RawName::shownAsLatin1(job.command.remote)),
                       CURLE_PARTIAL_FILE);
    }
    return failOwn(InetResponse::ConnectionLost,
                   QStringLiteral("Only %1 of the %2 bytes of %3 arrived, although the server "
                                  "called the transfer complete.")
                       .arg(arrived)
                       .arg(expected)
                       .arg(RawName::shownAsLatin1(job.command.remote)),
                   CURLE_PARTIAL_FILE);
}

// Closes the file the download went to and puts it in place when whole. A
// failed one goes, unless it is a part file that holds something. Either
// step is taken only while the name still leads to the file written.
CURLcode FtpSession::FileTransfer::finishDownload(CURLcode rc, const QByteArray& part,
                                                  const QByteArray& target) {
    const FtpCommand::Transfer& how = job.command.transfer;
    if (rc == CURLE_OK && how.keepTime && facts.remoteTime >= 0) {
        // A time that cannot be set leaves the file no worse: not a failure.
        const timespec times[2] = {{0, UTIME_OMIT}, {time_t(facts.remoteTime), 0}};
        ::futimens(file.fd, times);
    }
    struct stat written {};
    struct stat named {};
    const bool stated = ::fstat(file.fd, &written) == 0;
    const bool empty = stated && written.st_size == 0;
    const bool sameFile = stated && ::lstat(part.constData(), &named) == 0 &&
                          named.st_dev == written.st_dev && named.st_ino == written.st_ino;
    // The file holds what arrived and nothing more; a longer one was written
    // to by another program meanwhile, and is not continued from.
    const qint64 arrived = facts.resumedFrom + facts.transferred;
    const bool foreignBytes = stated && written.st_size > arrived;
    if (how.part && stated && !foreignBytes) {
        facts.partSize = written.st_size;
        facts.partModifiedNs =
            qint64(written.st_mtim.tv_sec) * 1000000000 + written.st_mtim.tv_nsec;
    }
    if (::close(file.fd) != 0 && rc == CURLE_OK)
        rc = file.fail(CURLE_WRITE_ERROR);
    file.fd = -1;
    // Cancelled just as the last byte came: the target stays as it was.
    if (rc == CURLE_OK && how.part && s.m_reports.abandoned(job.id))
        rc = CURLE_ABORTED_BY_CALLBACK;
    if (rc == CURLE_OK && stated && written.st_size != arrived) {
        rc = failOwn(InetResponse::LocalError,
                     QStringLiteral("%1 was changed by another program while the download ran; "
                                    "the download was not put in place.")
                         .arg(RawName::shownWithMarks(RawName::decode(part))),
                     CURLE_WRITE_ERROR);
    }
    if (rc == CURLE_OK && !sameFile) {
        rc = failOwn(InetResponse::LocalError,
                     QStringLiteral("%1 was replaced while the download ran; the download was "
                                    "not put in place.")
                         .arg(RawName::shownWithMarks(RawName::decode(part))),
                     CURLE_WRITE_ERROR);
    }
    if (rc == CURLE_OK && ::rename(part.constData(), target.constData()) != 0)
        rc = file.fail(CURLE_WRITE_ERROR);
    if (rc != CURLE_OK && (!how.part || empty) && sameFile)
        ::unlink(part.constData());
    return rc;
}

CURLcode FtpSession::FileTransfer::runPut() {
    file.fd = ::open(RawName::encode(job.command.local).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        file.error = file.fd < 0 ? errno : EISDIR;
        if (file.fd >= 0)
            ::close(file.fd);
        file.fd = -1;
        return CURLE_READ_ERROR;
    }
    qint64 from = 0;
    CURLcode rc = job.command.transfer.append ? chooseAppendStart(st.st_size, &from) : CURLE_OK;
    if (rc == CURLE_OK)
        rc = upload(st.st_size, st.st_mtim.tv_sec, from);
    ::close(file.fd);
    file.fd = -1;
    return rc;
}

// Where an appending upload goes on: at the end of the remote file, or at
// the start when there is none. A remote file longer than the local one
// cannot be its beginning.
CURLcode FtpSession::FileTransfer::chooseAppendStart(qint64 localSize, qint64* from) {
    const CURLcode rc = lookUpRemoteFile();
    if (rc == CURLE_REMOTE_FILE_NOT_FOUND)
        return CURLE_OK;
    if (rc != CURLE_OK)
        return rc;
    const QString remote = RawName::shownWithMarks(job.command.remote);
    if (facts.remoteSize < 0) {
        return failOwn(InetResponse::ServerError,
                       QStringLiteral("The server does not tell the size of %1, so the upload "
                                      "cannot continue it.")
                           .arg(remote),
                       CURLE_UPLOAD_FAILED);
    }
    if (facts.remoteSize > localSize) {
        return failOwn(InetResponse::LocalError,
                       QStringLiteral("The remote file %1 (%2 bytes) is larger than the local "
                                      "file %3 (%4 bytes), so the upload cannot continue it.")
                           .arg(remote)
                           .arg(facts.remoteSize)
                           .arg(RawName::shownWithMarks(job.command.local))
                           .arg(localSize),
                       CURLE_UPLOAD_FAILED);
    }
    *from = facts.remoteSize;
    facts.resumedFrom = *from;
    return CURLE_OK;
}

CURLcode FtpSession::FileTransfer::upload(qint64 localSize, qint64 localTime, qint64 from) {
    s.prepare(job, s.pathBytes(job.command.remote));
    curl_easy_setopt(s.m_curl.easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(s.m_curl.easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(localSize));
    curl_easy_setopt(s.m_curl.easy, CURLOPT_READFUNCTION, &FtpSession::readUpload);
    curl_easy_setopt(s.m_curl.easy, CURLOPT_READDATA, &s);
    curl_easy_setopt(s.m_curl.easy, CURLOPT_SEEKFUNCTION, &LocalFile::seek);
    curl_easy_setopt(s.m_curl.easy, CURLOPT_SEEKDATA, &file);
    if (from > 0) {
        // libcurl seeks the local file to `from` and sends the rest: APPE
        // over FTP, writes at the end of the remote file over SFTP.
        curl_easy_setopt(s.m_curl.easy, CURLOPT_APPEND, 1L);
        curl_easy_setopt(s.m_curl.easy, CURLOPT_RESUME_FROM_LARGE, curl_off_t(from));
    }
    if (job.command.transfer.keepTime) {
        for (const QByteArray& line : remoteTimeLines(localTime))
            s.m_curl.quote(line);
        curl_easy_setopt(s.m_curl.easy, CURLOPT_POSTQUOTE, s.m_curl.quoted);
    }
    file.unsent = localSize - from;
    s.m_progress.begin(from, localSize);
    s.m_run.trace.uploading = true;
    s.m_run.trace.uploadAccepted = false;
    const CURLcode rc = s.perform(job, Phase::Command);
    s.m_run.trace.uploading = false;
    s.m_run.trace.uploadAccepted = false;
    s.m_progress.end();
    facts.transferred = qMax<qint64>(0, offsetInfo(s.m_curl.easy, CURLINFO_SIZE_UPLOAD_T));
    if (rc == CURLE_OK) {
        facts.remoteSize = from + facts.transferred;
        // What the look before the upload saw is no longer so.
        facts.remoteTime = -1;
    }
    return rc;
}

// The quoted command that gives an uploaded file its modification time,
// sent with failures ignored, as a server may not allow it: MFMT where the
// FTP server announces it, else the MDTM with a time in front of the path
// that vsftpd and others take; SFTP's "mtime" over SFTP.
std::vector<QByteArray> FtpSession::FileTransfer::remoteTimeLines(qint64 time) const {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(time, Qt::UTC);
    const QByteArray remote = s.pathBytes(job.command.remote);
    if (s.sftp()) {
        const QByteArray date = when.toString(QStringLiteral("yyyyMMdd HH:mm:ss 'GMT'")).toLatin1();
        return {"*mtime \"" + date + "\" " + sftpQuoted(remote)};
    }
    const QByteArray stamp = when.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    return {(s.m_server.offer.mfmt ? "*MFMT " : "*MDTM ") + stamp + ' ' + remote};
}

CURLcode FtpSession::FileTransfer::failOwn(int code, const QString& text, CURLcode rc) {
    s.m_run.ownFailure = {code, text};
    return rc;
}
