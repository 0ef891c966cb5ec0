#pragma once

// What the client reads from the server's replies on the control
// connection: each line as libcurl hands it over, the features of FEAT, the
// directory of PWD's 257 reply, and the text of a refusal.

#include "file_checksum.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

using ReplyLines = std::vector<QByteArray>;

// One line of a reply without its line ending.
QByteArray replyLine(QByteArrayView received);

// What a FEAT reply announces; its feature lines begin with a blank.
struct ServerFeatures {
    bool utf8 = false;
    bool mlsd = false; // MLST, and with it MLSD
    bool mfmt = false; // MFMT sets a file's modification time
    // "HASH SHA-256;SHA-1*;MD5" (names it does not know are passed over)
    // and the X commands of checksums.
    ChecksumOffer checksums;
};
ServerFeatures readFeatures(const ReplyLines& lines);

// The directory of a 257 reply: the text between the first quote and its
// partner, doubled quotes standing for one; without quotes, what follows
// the code. From the last 257 line of a reply; empty when there is none.
QByteArray quotedPath(QByteArrayView line);
QByteArray pwdPath(const ReplyLines& lines);

// The first line that refuses ("4xx " or "5xx "), or nothing.
QByteArray firstRefusalLine(const ReplyLines& lines);
// The last line whose code begins with `kind` ('4' or '5'), or nothing.
QByteArray lastReplyLine(const ReplyLines& lines, char kind);
