// The command texts Inet::Execute takes. A command that parses never holds
// a line break, which would smuggle another command onto the wire.
#include "ftp_command.h"
#include "fuzz_check.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes = fuzzInput(data, size);
    QString error;
    const std::optional<FtpCommand> command = parseFtpCommand(QString::fromUtf8(bytes), &error);
    FUZZ_CHECK(command.has_value() == error.isEmpty());
    if (command) {
        FUZZ_CHECK(!command->holdsLineBreak());
        command->text();
    }
    return 0;
}
