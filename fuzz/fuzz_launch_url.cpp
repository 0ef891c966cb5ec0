// The URL a desktop hands over on the command line, read by parseLaunchUrl
// and readCommandLine. A URL read holds no control character in any part
// that goes to the server, and no message shows the URL's password.
#include "command_line.h"
#include "control_characters.h"
#include "fuzz_check.h"
#include "launch_target.h"

#include <QString>

namespace {

const QString Secret = QStringLiteral("Pw7secret");

void checkTarget(const LaunchTarget& target) {
    FUZZ_CHECK(!target.host.isEmpty());
    FUZZ_CHECK(target.port >= -1 && target.port <= 65535);
    for (const QString& part :
         {target.host, target.user, target.password.value_or(QString()), target.directory})
        FUZZ_CHECK(!holdsControlCharacter(part));
    FUZZ_CHECK(target.directory.isEmpty() || target.directory.endsWith(u'/'));
}

void checkUrl(const QString& text) {
    QString error;
    const std::optional<LaunchTarget> target = parseLaunchUrl(text, &error);
    FUZZ_CHECK(target.has_value() == error.isEmpty());
    if (target)
        checkTarget(*target);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(fuzzInput(data, size));
    checkUrl(text);

    // The same after a user and a password: whatever follows, no message
    // shows the password.
    for (const QString& start : {QStringLiteral("ftp://me:"), QStringLiteral("sftp://:")}) {
        const QString withPassword = start + Secret + u'@' + text;
        QString error;
        const std::optional<LaunchTarget> target = parseLaunchUrl(withPassword, &error);
        FUZZ_CHECK(!error.contains(Secret));
        if (target)
            checkTarget(*target);
        const CommandLine line = readCommandLine({QStringLiteral("tarlen"), withPassword});
        FUZZ_CHECK(!line.output.contains(Secret));
        FUZZ_CHECK(line.target.has_value() != line.exitCode.has_value());
    }
    return 0;
}
