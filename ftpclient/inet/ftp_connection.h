#pragma once

// The connection side of a session (FtpSession): libcurl's handles, the
// control connection and its sockets, what TLS or SSH showed of the server,
// and what the server offered at login. All of it outlives a job.

#include "connection_security.h"
#include "file_checksum.h"
#include "ftp_names.h"
#include "peer_identity.h"
#include "server_protocol.h"

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <functional>
#include <optional>
#include <set>

// libcurl's handles: the multi handle the waits run in, the easy handle
// every exchange reuses (so that libcurl keeps the connection between
// them), and what one exchange sets on it: the URL, the quoted commands,
// the error text.
struct CurlHandles {
    CurlHandles();
    ~CurlHandles();
    CurlHandles(const CurlHandles&) = delete;
    CurlHandles& operator=(const CurlHandles&) = delete;

    bool ready() const { return multi && easy; }
    // Forgets what the last exchange set and aims the easy handle at the
    // server's `path` (already in URL form).
    void reset(const char* scheme, const QByteArray& host, int port, const QByteArray& path);
    // Adds a quoted command to this exchange's list and returns the list.
    curl_slist* quote(const QByteArray& line);
    // Runs the exchange until libcurl is done with it or `abandoned` says
    // so (then *stopped); the easy handle stays in the multi handle until
    // detach().
    CURLcode drive(const std::function<bool()>& abandoned, bool* stopped);
    void detach() { curl_multi_remove_handle(multi, easy); }
    // libcurl's own words for the last failure, or its text for `rc`.
    QString errorFor(CURLcode rc) const;

    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    CURLU* url = nullptr;
    curl_slist* quoted = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};
    int roundsWithoutSockets = 0; // see nextWaitMs()

private:
    int nextWaitMs();
};

// The TLS 1.3 session tickets of a login. A data connection spends the
// ticket it resumed the session with: servers that want data connections to
// resume the session of the commands (vsftpd and ProFTPD by default) take
// each ticket once. The next data connection needs the ticket the server
// sent on the last one, which libcurl keeps only if it read it there.
struct SessionTickets {
    int received = 0;   // tickets libcurl read on this login
    int handshakes = 0; // TLS 1.3 handshakes libcurl made on it
    bool spent = false; // the ticket libcurl would offer next was spent
    // The server sends a ticket on the data connection of an upload; known
    // for the server, not just one login (see awaitSessionTicket).
    bool afterUploads = true;

    void loginStarts();
    void dataOpened();
    void dataClosed();

private:
    int m_receivedBefore = 0;
    int m_handshakesBefore = 0;
};

// What the TLS or SSH layer of the connection showed of the server, and
// what this session learnt about TLS with it.
struct SecureChannel {
    QString tlsDetails;    // from the TLS handshake of the connection
    QByteArray peerKeyPin; // the server's key, as ConnectionSecurity has it
    // The server refused TLS and the user allowed clear text: later logins
    // of this session do not ask for TLS again.
    bool tlsRefused = false;
    SessionTickets tickets;
    std::optional<PeerIdentity> hostKey; // the SSH host key of the connection

    // A new connection is being made: nothing is known of it yet.
    void forget();
    // Notes the TLS version and cipher, a handshake and a session ticket,
    // when a line of libcurl's trace tells them.
    void noteTraceText(const char* data, size_t size);
    // How the connection is protected, as the component reports it.
    ConnectionSecurity describe(ServerProtocol protocol) const;
};

// What the server offered at login, and how its names are encoded.
struct ServerOffer {
    bool mlsd = false;
    bool mfmt = false;       // the server announced MFMT, which sets a file's time
    ChecksumOffer checksums; // none over SFTP
    FtpNameCodec codec;

    QByteArray path(const QString& path) const { return codec.encode(path); }
};

// The control connection: whom it was opened for, whether it is up, the
// sockets libcurl opened for it and its data connections, and what is
// known of the server at its other end.
struct ServerConnection {
    QByteArray identity; // host, port and user the connection was opened for
    ServerProtocol protocol = ServerProtocol::PlainFtp;
    bool up = false;
    bool opening = false;
    bool connectedReported = false;
    bool resolvingReported = false;
    curl_socket_t controlFd = CURL_SOCKET_BAD;
    curl_socket_t dataFd = CURL_SOCKET_BAD; // the data connection open now
    std::set<curl_socket_t> sockets;
    SecureChannel secure;
    ServerOffer offer;
    // Over FTP, the directory the server put the connection in at login,
    // while nothing has moved it since; empty when not known.
    QByteArray loginDirectory;

    bool sftp() const { return protocol == ServerProtocol::Sftp; }
    // Takes `newIdentity`; when it differs from the one the connection was
    // opened for, the connection is no longer this session's to use.
    void openFor(const QByteArray& newIdentity);
    bool alive() const;
    // Cuts the control connection so that libcurl drops it rather than
    // reusing it; the next command starts afresh.
    void cut();
    // Cuts every socket at once, so that tearing down neither waits for
    // nor sends anything.
    void cutAll();
    // The socket the exchange of `easy` held, when it is one of ours, is
    // the control connection.
    void adoptControlSocket(CURL* easy);
    void dataOpened(curl_socket_t fd);
    void dataClosed();
    // At the end of an upload over TLS 1.3, gives the server's new session
    // ticket time to arrive on the data connection (see the definition).
    void awaitSessionTicket(int limitMs, const std::function<bool()>& stop);
};
