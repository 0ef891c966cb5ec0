#include "settings_file.h"

#include "number_format.h"
#include "password_scramble.h"
#include "profile_file.h"
#include "profile_pairs.h"
#include "raw_names.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <limits>
#include <optional>
#include <vector>

namespace {

const QString Section = QStringLiteral("TARLEN");

QString readText(const ProfileFile& file, const QString& key, const QString& defaultValue) {
    return ProfileFile::trimSpaces(file.readText(Section, key, defaultValue));
}

// Scrambled passwords are one byte per character, as they always were.
QString readScrambled(const ProfileFile& file, const QString& key) {
    return ProfileFile::trimSpaces(file.readString(Section, key, QString()));
}

// A number that does not fit 16 bits counts as missing: it takes the default.
short readNumber(const ProfileFile& file, const QString& key, short defaultValue) {
    return parseInt16(file.readString(Section, key, formatNumber(defaultValue)))
        .value_or(defaultValue);
}

// Geometry that is absent, out of range or (where `positive`) 0 or less is
// not applied at all.
template <typename Apply>
void applyTwips(const ProfileFile& file, const QString& key, short defaultValue, bool positive,
                Apply apply) {
    const std::optional<short> value =
        parseInt16(file.readString(Section, key, formatNumber(defaultValue)));
    if (value && (!positive || *value > 0))
        apply(*value);
}

// The local directory and a profile's key file are file-system names: the
// file keeps the bytes of the name. A name is read up to as many characters
// as any value may have.
QString readFileName(const ProfileFile& file, const QString& key) {
    return ProfileFile::trimSpaces(ProfileFile::cutText(RawName::decode(file.readBytes(
        Section.toLatin1(), key.toLatin1(), QByteArray(), std::numeric_limits<int>::max()))));
}

// Without a stored folder that can be shown, the user's home: the program's
// own folder (a system folder once installed) only when home cannot be.
void applyLocalPath(const ProfileFile& file, SettingsWindow& window) {
    const QString stored = readFileName(file, QStringLiteral("PATH"));
    if (!stored.isEmpty() && window.setLocalPath(stored))
        return;
    if (window.setLocalPath(QDir::homePath()))
        return;
    window.setLocalPath(QCoreApplication::applicationDirPath());
}

QString profileKey(int n, const char* field) {
    return QStringLiteral("HOST") + QString::number(n) + QLatin1String(field);
}

// A protocol this version does not know (a newer one's) asks for more than
// plain FTP: it is read as FTP with TLS required rather than downgraded.
ServerProtocol readProtocol(const ProfileFile& file, const QString& key, ServerProtocol missing) {
    if (!file.holds(Section.toLatin1(), key.toLatin1()))
        return missing;
    return protocolFromSettingsValue(
               ProfileFile::trimSpaces(file.readString(Section, key, QString())))
        .value_or(ServerProtocol::FtpTlsRequired);
}

HostInfo readProfile(const ProfileFile& file, int n, const QString& sKey,
                     ServerProtocol missingProtocol, const QList<int>& pairsHeld) {
    HostInfo host;
    host.sName = readText(file, profileKey(n, "NAME"), QStringLiteral("Anonymous"));
    host.sAddr = readText(file, profileKey(n, "ADDR"), QString());
    host.sUser = readText(file, profileKey(n, "USER"), QStringLiteral("anonymous"));
    host.sPW = UnscramblePW(readScrambled(file, profileKey(n, "PW")), sKey);
    host.protocol = readProtocol(file, profileKey(n, "PROTOCOL"), missingProtocol);
    host.sKeyFile = readFileName(file, profileKey(n, "KEYFILE"));
    host.inKeyring = readNumber(file, profileKey(n, "KEYRING"), 0) == 1;
    host.clearTextAllowed = readNumber(file, profileKey(n, "CLEARTEXT"), 0) == 1;
    if (host.inKeyring)
        host.sPW.clear(); // the keyring's, not whatever the file says
    readPairsAndClock(file, Section.toLatin1(), n, pairsHeld, host);
    return host;
}

// The numbers below `count` of the profiles the file holds a key of: keys
// "HOST<n><field>", n written as profileKey() writes it.
std::vector<int> profilesHeld(const ProfileFile& file, int count) {
    std::vector<bool> held(size_t(qMax(count, 0)), false);
    const QString prefix = QStringLiteral("host");
    for (const QString& key : file.keys(Section.toLatin1())) {
        if (!key.startsWith(prefix))
            continue;
        qsizetype end = prefix.size();
        while (end < key.size() && key[end].isDigit() && key[end].unicode() < 0x80)
            ++end;
        const QStringView digits = QStringView(key).sliced(prefix.size(), end - prefix.size());
        if (digits.isEmpty() || end == key.size() || digits.size() > 5)
            continue;
        const int n = digits.toInt();
        if (n < count && digits == QString::number(n))
            held[size_t(n)] = true;
    }
    std::vector<int> numbers;
    for (int n = 0; n < count; ++n)
        if (held[size_t(n)])
            numbers.push_back(n);
    return numbers;
}

// Every profile the file claims: those it holds keys of are read, the others
// are what a profile without keys reads as, read once. Reading costs what the
// file holds, however many profiles it claims.
QList<HostInfo> readProfiles(const ProfileFile& file, int count, const QString& sKey,
                             ServerProtocol missingProtocol) {
    const std::vector<int> held = profilesHeld(file, count);
    const QHash<int, QList<int>> pairsHeld = folderPairsHeld(file, Section.toLatin1(), count);
    QList<HostInfo> hosts(count);
    std::optional<HostInfo> keyless;
    size_t next = 0;
    for (int n = 0; n < count; ++n) {
        if (next < held.size() && held[next] == n) {
            hosts[n] = readProfile(file, n, sKey, missingProtocol, pairsHeld.value(n));
            ++next;
            continue;
        }
        if (!keyless)
            keyless = readProfile(file, n, sKey, missingProtocol, {});
        hosts[n] = *keyless;
    }
    return hosts;
}

// The protocol and the key file came after a profile's first four keys. Each
// is written only where the file holds it already or the value is not what
// its absence means, so a file from before is saved as it was. A key the
// file holds is written even at that value: a profile moved down into a
// deleted one's place must not take on the deleted one's protocol. A key
// that already holds the value (in any letter case, with blanks) keeps its
// bytes; a protocol this version does not know is replaced.
void writeProtocol(ProfileFile& file, const QString& key, ServerProtocol protocol) {
    if (file.holds(Section.toLatin1(), key.toLatin1())) {
        const QString stored = ProfileFile::trimSpaces(file.readString(Section, key, QString()));
        if (protocolFromSettingsValue(stored) == protocol)
            return;
    } else if (protocol == ServerProtocol::PlainFtp) {
        return;
    }
    file.writeString(Section, key, protocolSettingsValue(protocol));
}

void writeKeyFile(ProfileFile& file, const QString& key, const QString& keyFile) {
    const bool held = file.holds(Section.toLatin1(), key.toLatin1());
    if (held ? readFileName(file, key) == keyFile : keyFile.isEmpty())
        return;
    file.writeBytes(Section.toLatin1(), key.toLatin1(), RawName::encode(keyFile));
}

// Keys that came later (the preferences, a profile's keyring mark) are
// written only where the file holds them already or they are not the
// defaults: a file from before is saved as it was.
void writeOptionalNumber(ProfileFile& file, const QString& key, short value, short defaultValue) {
    if (value != defaultValue || file.holds(Section.toLatin1(), key.toLatin1()))
        file.writeString(Section, key, formatNumber(value));
}

void writeProfile(ProfileFile& file, int n, const HostInfo& host, const QString& sKey,
                  const QList<int>& pairsHeld) {
    file.writeText(Section, profileKey(n, "NAME"), host.sName);
    file.writeText(Section, profileKey(n, "ADDR"), host.sAddr);
    file.writeText(Section, profileKey(n, "USER"), host.sUser);
    const QString stored = host.inKeyring ? QString() : host.sPW;
    file.writeString(Section, profileKey(n, "PW"), ScramblePW(stored, sKey).value_or(QString()));
    writeProtocol(file, profileKey(n, "PROTOCOL"), host.protocol);
    writeKeyFile(file, profileKey(n, "KEYFILE"), host.sKeyFile);
    writeOptionalNumber(file, profileKey(n, "KEYRING"), host.inKeyring ? 1 : 0, 0);
    writeOptionalNumber(file, profileKey(n, "CLEARTEXT"), host.clearTextAllowed ? 1 : 0, 0);
    writePairsAndClock(file, Section.toLatin1(), n, host, pairsHeld);
}

Preferences readPreferences(const ProfileFile& file) {
    Preferences prefs;
    const short parallel =
        readNumber(file, QStringLiteral("PARALLEL"), Preferences::DefaultParallelTransfers);
    prefs.parallelTransfers =
        parallel >= 1 && parallel <= 10 ? parallel : Preferences::DefaultParallelTransfers;
    const short existing = readNumber(file, QStringLiteral("EXISTINGFILES"), 0);
    prefs.existingFiles = existing >= 0 && existing <= 2 ? existing : 0;
    return prefs;
}

void writePreferences(ProfileFile& file, const Preferences& prefs) {
    writeOptionalNumber(file, QStringLiteral("PARALLEL"), prefs.parallelTransfers,
                        Preferences::DefaultParallelTransfers);
    writeOptionalNumber(file, QStringLiteral("EXISTINGFILES"), prefs.existingFiles, 0);
}

} // namespace

void LoadSettings(SettingsWindow& window, HostProfiles& profiles, const QString& sKey,
                  const QString& filePath) {
    LoadSettings(window, profiles, sKey, ProfileFile(filePath));
}

void LoadSettings(SettingsWindow& window, HostProfiles& profiles, const QString& sKey,
                  const ProfileFile& file) {

    const short state = readNumber(file, QStringLiteral("WINDOWSTATE"), -1);
    if (state != -1) {
        applyTwips(file, QStringLiteral("WINDOWTOP"), -1, false,
                   [&](short v) { window.setWindowTop(v); });
        applyTwips(file, QStringLiteral("WINDOWLEFT"), -1, false,
                   [&](short v) { window.setWindowLeft(v); });
        applyTwips(file, QStringLiteral("WINDOWHEIGHT"), -1, true,
                   [&](short v) { window.setWindowHeight(v); });
        applyTwips(file, QStringLiteral("WINDOWWIDTH"), -1, true,
                   [&](short v) { window.setWindowWidth(v); });
        applyTwips(file, QStringLiteral("LOCALHEIGHT"), 4575, true,
                   [&](short v) { window.setFrameHeight(0, v); });
        applyTwips(file, QStringLiteral("LOCALWIDTH"), 5055, true,
                   [&](short v) { window.setFrameWidth(0, v); });
        applyTwips(file, QStringLiteral("REMOTEHEIGHT"), 4575, true,
                   [&](short v) { window.setFrameHeight(1, v); });
        applyTwips(file, QStringLiteral("REMOTEWIDTH"), 5055, true,
                   [&](short v) { window.setFrameWidth(1, v); });
        if (state >= 0 && state <= 2)
            window.setWindowState(state);
    }

    profiles.iNumHosts = qMax<short>(readNumber(file, QStringLiteral("NUMHOSTS"), 1), 0);
    const short current = readNumber(file, QStringLiteral("HOST"), 0);
    profiles.iCurHost = current >= 0 && current < profiles.iNumHosts ? current : short(-1);
    applyLocalPath(file, window);
    profiles.iSavePW = readNumber(file, QStringLiteral("SAVEPW"), 0);

    // A first start offers what new profiles get; a profile saved without a
    // protocol has always been plain FTP.
    const ServerProtocol missingProtocol =
        file.existed() ? ServerProtocol::PlainFtp : ServerProtocol::FtpTlsIfOffered;
    profiles.Hosts = readProfiles(file, profiles.iNumHosts, sKey, missingProtocol);
    window.setPreferences(readPreferences(file));
}

bool SaveSettings(const SettingsWindow& window, const HostProfiles& profiles, const QString& sKey,
                  const QString& filePath) {
    ProfileFile file(filePath);
    const auto writeNumber = [&](const QString& key, double value) {
        file.writeString(Section, key, formatNumber(value));
    };

    writeNumber(QStringLiteral("WINDOWSTATE"), window.windowState());
    writeNumber(QStringLiteral("WINDOWTOP"), window.windowTop());
    writeNumber(QStringLiteral("WINDOWLEFT"), window.windowLeft());
    writeNumber(QStringLiteral("WINDOWHEIGHT"), window.windowHeight());
    writeNumber(QStringLiteral("WINDOWWIDTH"), window.windowWidth());
    writeNumber(QStringLiteral("LOCALHEIGHT"), window.frameHeight(0));
    writeNumber(QStringLiteral("LOCALWIDTH"), window.frameWidth(0));
    writeNumber(QStringLiteral("REMOTEHEIGHT"), window.frameHeight(1));
    writeNumber(QStringLiteral("REMOTEWIDTH"), window.frameWidth(1));
    writeNumber(QStringLiteral("NUMHOSTS"), profiles.iNumHosts);
    writeNumber(QStringLiteral("HOST"), profiles.iCurHost);
    file.writeBytes(Section.toLatin1(), "PATH", RawName::encode(window.localPath()));
    writeNumber(QStringLiteral("SAVEPW"), profiles.iSavePW);

    const qsizetype count = qMin<qsizetype>(profiles.iNumHosts, profiles.Hosts.size());
    const QHash<int, QList<int>> pairsHeld = folderPairsHeld(file, Section.toLatin1(), int(count));
    for (int n = 0; n < count; ++n)
        writeProfile(file, n, profiles.Hosts[n], sKey, pairsHeld.value(n));
    writePreferences(file, window.preferences());
    return file.save();
}
