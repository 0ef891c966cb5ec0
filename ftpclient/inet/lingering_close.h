#pragma once

#include <functional>

// Closes a socket that was sending, once the peer has taken everything and
// closed its side too.
//
// A socket closed while the peer still sends (over TLS 1.3, the session
// tickets that follow the server's handshake can come late) answers what
// arrives with a reset, and a reset throws away whatever the kernel had not
// sent yet: the end of an upload. So our side is ended first (the FIN goes
// after the queued bytes), what the peer sends is read and dropped until it
// closes, and only then is the socket closed.
//
// Gives up and closes at once when `stop` says so, and after idleSeconds
// (none when 0) in which nothing left and nothing came.
int closeAfterPeer(int fd, int idleSeconds, const std::function<bool()>& stop);
