// The password unscrambler reads what the settings file holds. The input is
// the key, a NUL, then the stored text; a password that could be stored
// must come back as it went in.
#include "fuzz_check.h"
#include "password_scramble.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes = fuzzInput(data, size);
    const qsizetype nul = bytes.indexOf('\0');
    const QString key = QString::fromLatin1(nul < 0 ? bytes : bytes.first(nul));
    const QString stored = QString::fromLatin1(nul < 0 ? QByteArrayView() : bytes.sliced(nul + 1));
    const QString password = UnscramblePW(stored, key);
    FUZZ_CHECK(password.size() == stored.size());
    if (const std::optional<QString> scrambled = ScramblePW(stored, key))
        FUZZ_CHECK(UnscramblePW(*scrambled, key) == stored);
    return 0;
}
