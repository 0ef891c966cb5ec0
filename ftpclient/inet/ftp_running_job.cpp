#include "ftp_running_job.h"

#include "inet_codes.h"

#include <cctype>
#include <cerrno>
#include <new>
#include <unistd.h>

namespace {

constexpr qint64 kProgressIntervalMs = 100;
// A download is written to its file in pieces of up to this size.
constexpr size_t kWriteBatchBytes = 64 * 1024;

bool isLoginCommand(QByteArrayView line) {
    const char* data = line.data();
    return line.size() >= 5 &&
           (qstrnicmp(data, "USER ", 5) == 0 || qstrnicmp(data, "PASS ", 5) == 0 ||
            qstrnicmp(data, "ACCT ", 5) == 0);
}

// "150 Ok to send data.": the server goes ahead with the transfer.
bool isPreliminaryReply(QByteArrayView line) {
    const char* data = line.data();
    return line.size() >= 4 && data[0] == '1' && std::isdigit(uchar(data[1])) &&
           std::isdigit(uchar(data[2])) && (data[3] == ' ' || data[3] == '-');
}

} // namespace

bool ExchangeTrace::begin(Phase newPhase) {
    phase = newPhase;
    // A command of several exchanges reports its request states once.
    const bool firstOfCommand = phase == Phase::Command && !commandUnderway;
    if (phase == Phase::Login || firstOfCommand) {
        requestSent = false;
        responseSeen = false;
    }
    replyLines.clear();
    hostKeyChecked = false;
    if (firstOfCommand)
        commandUnderway = true;
    return firstOfCommand;
}

std::optional<short> ExchangeTrace::sent(QByteArrayView line) {
    if (phase != Phase::Command || requestSent || isLoginCommand(line))
        return std::nullopt;
    requestSent = true;
    return InetState::RequestSent;
}

std::optional<short> ExchangeTrace::received(QByteArrayView line) {
    replyLines.push_back(replyLine(line));
    if (uploading && isPreliminaryReply(line))
        uploadAccepted = true;
    if (phase != Phase::Command || !requestSent || responseSeen)
        return std::nullopt;
    responseSeen = true;
    return InetState::ReceivingResponse;
}

std::vector<short> ExchangeTrace::sftpExchangeSeen(bool dataMoved) {
    std::vector<short> reached;
    if (phase != Phase::Command || (!dataMoved && responseSeen))
        return reached;
    if (!requestSent) {
        requestSent = true;
        reached.push_back(InetState::RequestSent);
    }
    if (!responseSeen) {
        responseSeen = true;
        reached.push_back(InetState::ReceivingResponse);
    }
    return reached;
}

QString ExchangeTrace::firstRefusal(const FtpNameCodec& codec) const {
    return codec.decode(firstRefusalLine(replyLines)).trimmed();
}

QString ExchangeTrace::lastReplyText(char kind, const FtpNameCodec& codec) const {
    return codec.decode(lastReplyLine(replyLines, kind)).trimmed();
}

void ListingCapture::start(bool mlsd, const FtpNameCodec& codec, const QString& pattern,
                           ListingLineEnds lineEnds) {
    m_builder.emplace(mlsd, codec, pattern, lineEnds);
    m_traced = false;
}

void ListingCapture::traced(QByteArrayView data) {
    m_traced = true;
    m_builder->feed(data);
}

size_t ListingCapture::written(char* data, size_t size, size_t count, void* self) {
    auto* capture = static_cast<ListingCapture*>(self);
    if (!capture->m_traced)
        capture->m_builder->feed(QByteArrayView(data, qsizetype(size * count)));
    return size * count;
}

SharedListing ListingCapture::finish() {
    return std::make_shared<const RemoteListing>(m_builder->finish());
}

CURLcode LocalFile::fail(CURLcode rc) {
    error = errno;
    return rc;
}

bool LocalFile::flush() {
    const bool written =
        unwritten.empty() || writeAll(fd, unwritten.data(), unwritten.size(), &error);
    unwritten.clear();
    return written;
}

size_t LocalFile::write(char* data, size_t size, size_t count, void* self) {
    auto* file = static_cast<LocalFile*>(self);
    const size_t n = size * count;
    if (file->unwritten.size() + n > kWriteBatchBytes && !file->flush())
        return 0;
    if (n < kWriteBatchBytes) {
        try {
            file->unwritten.reserve(kWriteBatchBytes);
            file->unwritten.insert(file->unwritten.end(), data, data + n);
            return n;
        } catch (const std::bad_alloc&) {
            // Written as it comes, then.
        }
    }
    return writeAll(file->fd, data, n, &file->error) ? n : 0;
}

size_t LocalFile::read(char* data, size_t size, size_t count, void* self) {
    auto* file = static_cast<LocalFile*>(self);
    for (;;) {
        const ssize_t n = ::read(file->fd, data, size * count);
        if (n >= 0)
            return size_t(n);
        if (errno != EINTR) {
            file->error = errno;
            return CURL_READFUNC_ABORT;
        }
    }
}

// An upload that continues a remote file starts reading the local one where
// the remote one ends.
int LocalFile::seek(void* self, curl_off_t offset, int origin) {
    auto* file = static_cast<LocalFile*>(self);
    if (::lseek(file->fd, off_t(offset), origin) < 0) {
        file->error = errno;
        return CURL_SEEKFUNC_FAIL;
    }
    return CURL_SEEKFUNC_OK;
}

void RunningJob::begin(const FtpJob& newJob) {
    id = newJob.id;
    job = &newJob;
    untrusted.reset();
    facts = {};
    ownFailure.reset();
    trace.commandUnderway = false;
}

void FileProgress::begin(qint64 base, qint64 total) {
    m_active = true;
    m_base = base;
    m_total = total;
}

void FileProgress::restart() {
    m_lastDone = -1;
    m_clock.start();
}

std::optional<std::pair<qint64, qint64>> FileProgress::fileCounts(curl_off_t dltotal,
                                                                  curl_off_t dlnow,
                                                                  curl_off_t ultotal,
                                                                  curl_off_t ulnow) const {
    if (!m_active)
        return std::nullopt;
    // libcurl counts only what this exchange moves; a resumed transfer adds
    // what was there before.
    const bool upload = ultotal > 0 || ulnow > 0;
    const qint64 moved = upload ? ulnow : dlnow;
    const qint64 movedTotal = upload ? ultotal : dltotal;
    const qint64 total = m_total >= 0 ? m_total : movedTotal > 0 ? m_base + movedTotal : 0;
    return std::pair{m_base + moved, total};
}

bool FileProgress::due(qint64 done, qint64 total, bool force) {
    if (done == m_lastDone)
        return false;
    if (!force && m_lastDone >= 0 && m_clock.elapsed() < kProgressIntervalMs &&
        (total <= 0 || done < total))
        return false;
    m_lastDone = done;
    m_clock.restart();
    return true;
}
