#pragma once

// States reported through Inet::StateChanged.
namespace InetState {
enum : short {
    None = 0,
    ResolvingHost = 1,
    HostResolved = 2,
    Connecting = 3,
    Connected = 4,
    Requesting = 5,
    RequestSent = 6,
    ReceivingResponse = 7,
    ResponseReceived = 8,
    Disconnecting = 9,
    Disconnected = 10,
    Error = 11,
    ResponseCompleted = 12,
};
}

// Values of Inet::ResponseCode after state Error.
namespace InetResponse {
enum : int {
    Timeout = 12002,
    ServerError = 12003, // the server refused; ResponseInfo holds its reply
    LocalError = 12004,  // a local file could not be read or written
    NameNotResolved = 12007,
    LoginFailure = 12015,
    CannotConnect = 12029,
    ConnectionLost = 12030,
    // The server's identity could not be taken on trust; Inet::UntrustedPeer()
    // tells what it showed.
    CertificateExpired = 12037,   // the certificate is outside its dates
    CertificateWrongHost = 12038, // it names another host
    CertificateChanged = 12044,   // another one was trusted for this server
    CertificateUntrusted = 12045, // no authority known here vouches for it
    HostKeyUnknown = 12046,       // SSH: a host key never seen before
    HostKeyChanged = 12047,       // SSH: not the key trusted for this server
    // TLS could not be set up (refused by the server, or the handshake
    // failed), or SSH could not.
    SecureChannelFailed = 12157,
    // FTP with TLS when offered: the server did not offer TLS and clear text
    // was not agreed to (SecurityOptions::clearTextAllowed); nothing was sent.
    TlsNotOffered = 12161,
};

// Whether the code is one of the server identities a person can decide on.
inline bool isTrustQuestion(int code) {
    return code == InetResponse::CertificateExpired || code == InetResponse::CertificateWrongHost ||
           code == InetResponse::CertificateChanged || code == InetResponse::CertificateUntrusted ||
           code == InetResponse::HostKeyUnknown || code == InetResponse::HostKeyChanged;
}
} // namespace InetResponse

// Numbers of the run-time errors (InetError) that Inet members raise.
namespace InetErrorNumber {
enum : int {
    InvalidUrl = 35751,
    InvalidCommand = 35753,
    InvalidLogin = 35754, // a user name or password that cannot be sent
    StillExecuting = 35764,
};
}
