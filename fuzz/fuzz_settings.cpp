// The settings file as the client reads it at start-up, and the numbers in
// it. The file is written to a temporary directory and loaded into a window
// stand-in and host profiles.
#include "fake_settings_window.h"
#include "fuzz_check.h"
#include "host_profiles.h"
#include "ini_document.h"
#include "number_format.h"
#include "settings_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>

namespace {

void checkNumbers(const QByteArray& text) {
    // Each line is read as a number, as the settings file's values are.
    for (const QByteArray& line : text.split('\n')) {
        const QString value = QString::fromLatin1(line);
        parseNumber(value);
        if (const std::optional<short> number = parseInt16(value))
            FUZZ_CHECK(parseInt16(formatNumber(*number)) == number);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir directory;
    const QByteArray text = fuzzInput(data, size).toByteArray();
    checkNumbers(text);

    IniDocument document(text);
    document.value("TARLEN", "NUMHOSTS");
    document.setValue("TARLEN", "HOST", "1");
    FUZZ_CHECK(document.value("TARLEN", "HOST") == QByteArray("1"));

    const QString path = directory.filePath(QStringLiteral("tarlen.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(text);
    file.close();
    FakeSettingsWindow window;
    HostProfiles profiles;
    LoadSettings(window, profiles, QStringLiteral("fuzz key"), path);
    FUZZ_CHECK(profiles.iCurHost >= -1);
    return 0;
}
