#pragma once

#include "ftp_connection.h"
#include "ftp_job.h"
#include "ftp_running_job.h"

#include <QString>

#include <curl/curl.h>

#include <optional>
#include <utility>

// Why an exchange of a session failed, from what it left behind: libcurl's
// code and words, the server's replies, the local file's error. Tells it as
// the code and text the component reports.
class ExchangeFailure {
public:
    ExchangeFailure(const FtpJob& job, CURLcode rc, const ServerConnection& server,
                    const ExchangeTrace& trace, const CurlHandles& curl, int fileErrno);

    std::pair<int, QString> failureOf() const;

private:
    // When the failure was the secure channel's (TLS or SSH): what to say.
    std::optional<std::pair<int, QString>> secureChannelFailureOf() const;
    // What the server said of it, or libcurl for an SFTP server.
    QString serverText() const;
    std::pair<int, QString> tlsRefusal() const;
    QString loginRefusal(const QString& serverText) const;
    std::pair<int, QString> localFileFailure() const;

    const FtpJob& m_job;
    const CURLcode m_rc;
    const ServerConnection& m_server;
    const ExchangeTrace& m_trace;
    const QString m_curlText;
    const int m_fileErrno;
};
