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
};
}

// Numbers of the run-time errors (InetError) that Inet members raise.
namespace InetErrorNumber {
enum : int {
    InvalidUrl = 35751,
    InvalidCommand = 35753,
    StillExecuting = 35764,
};
}
