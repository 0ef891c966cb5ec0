// The replies on the control connection, line by line as libcurl hands them
// over: FEAT's features, PWD's quoted directory, the text of a refusal, the
// digest of a checksum command.
#include "ftp_reply.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView reply = fuzzInput(data, size);
    ReplyLines lines;
    for (qsizetype start = 0; start < reply.size();) {
        qsizetype end = reply.indexOf('\n', start);
        end = end < 0 ? reply.size() : end + 1;
        lines.push_back(replyLine(reply.sliced(start, end - start)));
        start = end;
    }
    const ServerFeatures features = readFeatures(lines);
    chooseChecksumWay(features.checksums);
    for (int i = 0; i < kHashAlgorithms; ++i) {
        const auto algorithm = HashAlgorithm(i);
        for (const std::optional<QByteArray>& digest :
             {hashReplyDigest(lines, algorithm, reply.size()), xReplyDigest(lines, algorithm)})
            FUZZ_CHECK(!digest || digest->size() == hexDigits(algorithm));
    }
    FUZZ_CHECK(pwdPath(lines).size() <= reply.size());
    const QByteArray refusal = firstRefusalLine(lines);
    FUZZ_CHECK(refusal.isEmpty() || refusal[0] == '4' || refusal[0] == '5');
    for (char kind : {'4', '5'}) {
        const QByteArray line = lastReplyLine(lines, kind);
        FUZZ_CHECK(line.isEmpty() || line[0] == kind);
    }
    return 0;
}
