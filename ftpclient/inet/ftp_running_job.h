#pragma once

// The job side of a session (FtpSession): the job being run, what the trace
// of its exchanges has shown, the listing it reads, the local file it moves,
// and what it has come to; and the progress of the file it moves.

#include "ftp_job.h"
#include "ftp_listing.h"
#include "ftp_names.h"
#include "ftp_reply.h"
#include "peer_identity.h"
#include "private_file.h"
#include "transfer_facts.h"

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>

#include <curl/curl.h>

#include <optional>
#include <utility>
#include <vector>

// What libcurl's trace of the running command has shown: the reply lines of
// the exchange, and how far the command has got in the request states it
// reports (each once, however many exchanges it takes).
struct ExchangeTrace {
    enum class Phase { Login, Command };

    Phase phase = Phase::Login;
    bool commandUnderway = false; // its first exchange has begun (and been reported)
    bool requestSent = false;
    bool responseSeen = false;
    bool hostKeyChecked = false; // the exchange got as far as the SSH host key
    ReplyLines replyLines;
    bool uploading = false;
    // The server took the upload (a 1xx reply): it reads its data connection
    // to the end and then closes it.
    bool uploadAccepted = false;

    // Begins an exchange; true when it is the first of its command, which
    // then reports InetState::Requesting.
    bool begin(Phase newPhase);
    // A line the client sent; the request state it reaches, if any.
    std::optional<short> sent(QByteArrayView line);
    // A reply line; the request state it reaches, if any.
    std::optional<short> received(QByteArrayView line);
    // SFTP transfers send no command line to watch for: the exchange has
    // begun once data moves, and at the latest when it ends. The states
    // that reaches, in order.
    std::vector<short> sftpExchangeSeen(bool dataMoved);

    QString firstRefusal(const FtpNameCodec& codec) const;
    QString lastReplyText(char kind, const FtpNameCodec& codec) const;
};

// A listing taken apart as it arrives. An FTP listing is read from libcurl's
// trace, as it came: what libcurl writes of it has every CR turned into an
// LF, a CR that a name holds among them. Only where the trace shows none
// (SFTP, or a libcurl that would not) are the written parts read.
class ListingCapture {
public:
    void start(bool mlsd, const FtpNameCodec& codec, const QString& pattern,
               ListingLineEnds lineEnds);
    bool active() const { return m_builder.has_value(); }
    void keepTimes() { m_builder->keepTimes(); }
    void traced(QByteArrayView data);
    // CURLOPT_WRITEFUNCTION, with the capture as its data.
    static size_t written(char* data, size_t size, size_t count, void* self);
    SharedListing finish();
    // What the listing kept to sort by goes.
    void reset() { m_builder.reset(); }

private:
    std::optional<FtpListingBuilder> m_builder;
    bool m_traced = false;
};

// The local file a Get writes or a Put reads, and the error (errno) the
// last step on it met; 0 for none.
struct LocalFile {
    int fd = -1;
    int error = 0;
    qint64 unsent = 0; // of an upload, the bytes libcurl has yet to be given
    // Of a download, what arrived and is not written yet: libcurl hands it
    // over in pieces of 16 KiB, which go to the file together.
    std::vector<char> unwritten;

    // `rc`, with the error errno holds now.
    CURLcode fail(CURLcode rc);
    // Writes what is held to the file; false, with `error` set, when it
    // cannot (what was held is let go of either way).
    bool flush();
    // libcurl's callbacks, with the file as their data.
    static size_t write(char* data, size_t size, size_t count, void* self);
    static size_t read(char* data, size_t size, size_t count, void* self);
    static int seek(void* self, curl_off_t offset, int origin);
};

// The job being run, and what it has come to so far.
struct RunningJob {
    quint64 id = 0;
    const FtpJob* job = nullptr;
    bool probing = false; // reports nothing while a server's identity is looked at
    ExchangeTrace trace;
    ListingCapture listing;
    LocalFile file;
    QString replyText;
    SharedListing replyListing;
    FtpTransferFacts facts;
    // A failure the command found itself, reported instead of libcurl's.
    std::optional<std::pair<int, QString>> ownFailure;
    std::optional<PeerIdentity> untrusted;

    void begin(const FtpJob& newJob);
};

// Progress of the exchange that moves a file: bytes there before it began,
// the whole file's size (-1: as libcurl tells), and what was last reported
// when.
class FileProgress {
public:
    void begin(qint64 base, qint64 total);
    void end() { m_active = false; }
    // A new exchange: nothing reported of it yet.
    void restart();
    // Where libcurl's counts of the exchange put the whole file, as bytes
    // done and in all (0 when unknown); nothing while no file moves.
    std::optional<std::pair<qint64, qint64>> fileCounts(curl_off_t dltotal, curl_off_t dlnow,
                                                        curl_off_t ultotal, curl_off_t ulnow) const;
    // Whether `done` is worth reporting now; taken as reported when it is.
    bool due(qint64 done, qint64 total, bool force);

private:
    bool m_active = false;
    qint64 m_base = 0;
    qint64 m_total = -1;
    QElapsedTimer m_clock;
    qint64 m_lastDone = -1;
};
