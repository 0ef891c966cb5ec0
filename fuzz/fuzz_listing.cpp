// The listing parser: a LIST or MLSD reply as a server may send it, fed in
// chunks of varying size. Every entry it yields must be a name the client
// can use.
#include "ftp_listing.h"
#include "fuzz_check.h"
#include "listing_forms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses MLSD, the name codec, line ends known to be
    // bare LFs (as over SFTP) and the chunk size.
    const uint8_t choice = data[0];
    const QByteArrayView reply = fuzzInput(data + 1, size - 1);
    const FtpNameCodec codec((choice & 2) != 0);
    const ListingLineEnds lineEnds =
        (choice & 4) != 0 ? ListingLineEnds::BareLf : ListingLineEnds::Unknown;
    FtpListingBuilder builder((choice & 1) != 0, codec, QString(), lineEnds);
    const qsizetype chunk = 1 + choice / 4;
    for (qsizetype at = 0; at < reply.size(); at += chunk)
        builder.feed(reply.sliced(at, qMin(chunk, reply.size() - at)));
    const RemoteListing listing = builder.finish();

    for (const auto* entries : {&listing.directories, &listing.files})
        for (const RemoteEntry& entry : *entries) {
            const QByteArray name = codec.encode(entry.name);
            FUZZ_CHECK(isSafeListName(name));
            // A name is never made up: the server sent its bytes.
            FUZZ_CHECK(reply.contains(name));
            FUZZ_CHECK(name.size() <= reply.size());
            FUZZ_CHECK(entry.size >= -1);
        }
    for (const RemoteEntry& file : listing.files)
        FUZZ_CHECK(!file.isDirectory);
    // The quick reading of ls's own form gives what the search for the date
    // gives, line by line.
    for (qsizetype start = 0; start <= reply.size();) {
        qsizetype end = reply.indexOf('\n', start);
        if (end < 0)
            end = reply.size();
        const QByteArrayView line = reply.sliced(start, end - start);
        start = end + 1;
        const std::optional<FtpListEntry> quick = parseLsLine(line);
        if (!quick)
            continue;
        const std::optional<FtpListEntry> searched = parseUnixFields(line);
        FUZZ_CHECK(searched && searched->name == quick->name && searched->size == quick->size &&
                   searched->directory == quick->directory && searched->link == quick->link);
    }
    return 0;
}
