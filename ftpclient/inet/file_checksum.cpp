#include "file_checksum.h"

#include <QList>

#include <zlib.h>

#include <cctype>

#include <array>

namespace {

struct AlgorithmFacts {
    const char* name;
    const char* xCommand;
    int hexDigits;
};

constexpr std::array<AlgorithmFacts, kHashAlgorithms> kFacts{{
    {"SHA-256", "XSHA256", 64},
    {"SHA-1", "XSHA1", 40},
    {"MD5", "XMD5", 32},
    {"CRC32", "XCRC", 8},
}};

const AlgorithmFacts& factsOf(HashAlgorithm algorithm) {
    return kFacts[size_t(algorithm)];
}

std::optional<HashAlgorithm> strongestOf(HashSet set) {
    for (int i = 0; i < kHashAlgorithms; ++i)
        if (set & hashBit(HashAlgorithm(i)))
            return HashAlgorithm(i);
    return std::nullopt;
}

// The last line of a reply that ends it ("ddd " or the bare code).
QByteArray finalLine(const ReplyLines& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const QByteArray& line = *it;
        if (line.size() >= 3 && std::isdigit(uchar(line[0])) && std::isdigit(uchar(line[1])) &&
            std::isdigit(uchar(line[2])) && (line.size() == 3 || line[3] == ' '))
            return line;
    }
    return {};
}

std::optional<qint64> wholeNumber(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    for (char c : text)
        if (!std::isdigit(uchar(c)))
            return std::nullopt;
    return text.toLongLong();
}

// "<start>-<end>" covers a file of `size` bytes from its first byte to its
// last. Servers read the end either as the last byte or as the one after
// it: both are taken.
bool coversWholeFile(QByteArrayView range, qint64 size) {
    const qsizetype dash = range.indexOf('-');
    if (dash < 0)
        return false;
    const std::optional<qint64> start = wholeNumber(range.first(dash));
    const std::optional<qint64> end = wholeNumber(range.sliced(dash + 1));
    if (!start || !end || *start != 0 || size < 0)
        return false;
    return *end == size || (size > 0 && *end == size - 1);
}

} // namespace

QByteArray hashName(HashAlgorithm algorithm) {
    return factsOf(algorithm).name;
}

std::optional<HashAlgorithm> hashByName(QByteArrayView name) {
    for (int i = 0; i < kHashAlgorithms; ++i)
        if (name.compare(QByteArrayView(kFacts[size_t(i)].name), Qt::CaseInsensitive) == 0)
            return HashAlgorithm(i);
    return std::nullopt;
}

int hexDigits(HashAlgorithm algorithm) {
    return factsOf(algorithm).hexDigits;
}

QByteArray xCommandOf(HashAlgorithm algorithm) {
    return factsOf(algorithm).xCommand;
}

ChecksumWay chooseChecksumWay(const ChecksumOffer& offer) {
    const std::optional<HashAlgorithm> algorithm = strongestOf(offer.hash | offer.xCommands);
    if (!algorithm)
        return {};
    const bool byHash = offer.hash & hashBit(*algorithm);
    return {byHash ? ChecksumWay::Command::Hash : ChecksumWay::Command::XCommand, *algorithm};
}

QString FileChecksum::text() const {
    return QString::fromLatin1(hashName(algorithm) + ' ' + hex);
}

std::optional<FileChecksum> FileChecksum::fromText(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    const qsizetype space = bytes.indexOf(' ');
    if (space < 0)
        return std::nullopt;
    const auto algorithm = hashByName(QByteArrayView(bytes).first(space));
    if (!algorithm)
        return std::nullopt;
    const auto hex = digestHex(QByteArrayView(bytes).sliced(space + 1), *algorithm);
    if (!hex)
        return std::nullopt;
    return FileChecksum{*algorithm, *hex};
}

std::optional<QByteArray> digestHex(QByteArrayView text, HashAlgorithm algorithm) {
    if (text.size() != hexDigits(algorithm))
        return std::nullopt;
    for (char c : text)
        if (!std::isxdigit(uchar(c)))
            return std::nullopt;
    return text.toByteArray().toLower();
}

std::optional<QByteArray> hashReplyDigest(const ReplyLines& lines, HashAlgorithm algorithm,
                                          qint64 size) {
    const QByteArray line = finalLine(lines);
    if (!line.startsWith("213 "))
        return std::nullopt;
    const QList<QByteArray> words = line.sliced(4).split(' ');
    if (words.size() < 3 || hashByName(words[0]) != algorithm || !coversWholeFile(words[1], size))
        return std::nullopt;
    return digestHex(words[2], algorithm);
}

std::optional<QByteArray> xReplyDigest(const ReplyLines& lines, HashAlgorithm algorithm) {
    const QByteArray line = finalLine(lines);
    if (!line.startsWith('2') || line.size() < 5)
        return std::nullopt;
    const QList<QByteArray> words = line.sliced(4).split(' ');
    return digestHex(words[0], algorithm);
}

ContentHash::ContentHash(HashAlgorithm algorithm)
    : m_algorithm(algorithm) {
    switch (algorithm) {
    case HashAlgorithm::Sha256:
        m_hash = std::make_unique<QCryptographicHash>(QCryptographicHash::Sha256);
        break;
    case HashAlgorithm::Sha1:
        m_hash = std::make_unique<QCryptographicHash>(QCryptographicHash::Sha1);
        break;
    case HashAlgorithm::Md5:
        m_hash = std::make_unique<QCryptographicHash>(QCryptographicHash::Md5);
        break;
    case HashAlgorithm::Crc32:
        m_crc = ::crc32(0L, Z_NULL, 0);
        break;
    }
}

ContentHash::~ContentHash() = default;

void ContentHash::add(QByteArrayView bytes) {
    if (m_hash) {
        m_hash->addData(bytes);
        return;
    }
    // zlib takes at most UINT_MAX bytes a call.
    while (!bytes.isEmpty()) {
        const qsizetype part = std::min<qsizetype>(bytes.size(), 1 << 30);
        m_crc = ::crc32(m_crc, reinterpret_cast<const Bytef*>(bytes.data()), uInt(part));
        bytes = bytes.sliced(part);
    }
}

FileChecksum ContentHash::result() const {
    if (m_hash)
        return {m_algorithm, m_hash->result().toHex()};
    return {m_algorithm, QByteArray::number(qulonglong(m_crc), 16).rightJustified(8, '0')};
}
