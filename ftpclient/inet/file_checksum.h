#pragma once

// File checksums: the algorithms a server may offer (FTP's HASH command and
// the older XSHA256, XSHA1, XMD5 and XCRC), the digest a server's reply
// holds, read as untrusted text, and hashing bytes as they pass.

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

using ReplyLines = std::vector<QByteArray>; // as ftp_reply.h has it

// In the order they are preferred, strongest first.
enum class HashAlgorithm : quint8 { Sha256, Sha1, Md5, Crc32 };
constexpr int kHashAlgorithms = 4;

// The set of algorithms a server offers one way, one bit each.
using HashSet = quint8;
constexpr HashSet hashBit(HashAlgorithm algorithm) {
    return HashSet(1u << unsigned(algorithm));
}

// The name HASH and OPTS HASH use ("SHA-256", "CRC32").
QByteArray hashName(HashAlgorithm algorithm);
std::optional<HashAlgorithm> hashByName(QByteArrayView name);
// How many hex digits a digest of the algorithm has.
int hexDigits(HashAlgorithm algorithm);

// What the server offers for checksums, as its FEAT reply announced.
struct ChecksumOffer {
    HashSet hash = 0;                          // algorithms of the HASH command
    HashSet xCommands = 0;                     // XSHA256, XSHA1, XMD5, XCRC
    std::optional<HashAlgorithm> hashSelected; // the one HASH uses now ('*')
};

// How a file's checksum is asked for: HASH (after OPTS HASH when another
// algorithm is selected), one of the X commands, or not at all.
struct ChecksumWay {
    enum class Command : quint8 { None, Hash, XCommand };
    Command command = Command::None;
    HashAlgorithm algorithm = HashAlgorithm::Sha256;
};
// The strongest algorithm the server offers, by HASH where it offers it
// both ways.
ChecksumWay chooseChecksumWay(const ChecksumOffer& offer);
// The X command of an algorithm ("XSHA256").
QByteArray xCommandOf(HashAlgorithm algorithm);

// A file's checksum: the algorithm and the digest as lower-case hex.
struct FileChecksum {
    HashAlgorithm algorithm = HashAlgorithm::Sha256;
    QByteArray hex;

    bool operator==(const FileChecksum&) const = default;
    // "SHA-256 <hex>", how the component's result carries it.
    QString text() const;
    static std::optional<FileChecksum> fromText(const QString& text);
};

// `text` as a digest of `algorithm`: exactly its number of hex digits, in
// lower case; nothing for anything else.
std::optional<QByteArray> digestHex(QByteArrayView text, HashAlgorithm algorithm);

// The digest in the reply to "HASH <file>" of a file of `size` bytes: the
// final "213 <algorithm> <start>-<end> <hex> <name>" line, only when it names
// `algorithm` and its range covers the whole file. Nothing otherwise.
std::optional<QByteArray> hashReplyDigest(const ReplyLines& lines, HashAlgorithm algorithm,
                                          qint64 size);
// The digest in the reply to an X command: the first word after the code
// of a final 2xx line.
std::optional<QByteArray> xReplyDigest(const ReplyLines& lines, HashAlgorithm algorithm);

// Hashes bytes as they come, with any of the algorithms.
class ContentHash {
public:
    explicit ContentHash(HashAlgorithm algorithm);
    ~ContentHash();
    void add(QByteArrayView bytes);
    FileChecksum result() const;

private:
    HashAlgorithm m_algorithm;
    std::unique_ptr<QCryptographicHash> m_hash; // all but CRC32
    unsigned long m_crc = 0;
};
