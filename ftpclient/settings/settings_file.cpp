#include "settings_file.h"

#include "number_format.h"
#include "password_scramble.h"
#include "profile_file.h"
#include "raw_names.h"

#include <QCoreApplication>
#include <QFile>

#include <limits>

namespace {

const QString Section = QStringLiteral("TARLEN");

// Only spaces are taken off a value read, as the stored text may begin or end
// with other blanks.
QString trimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString readText(const ProfileFile& file, const QString& key, const QString& defaultValue) {
    return trimSpaces(file.readText(Section, key, defaultValue));
}

// Scrambled passwords are one byte per character, as they always were.
QString readScrambled(const ProfileFile& file, const QString& key) {
    return trimSpaces(file.readString(Section, key, QString()));
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

// The local directory is a file-system name: it is kept in the file as the
// bytes of that name.
void applyLocalPath(const ProfileFile& file, SettingsWindow& window) {
    // The name's bytes, up to as many characters as any value may have.
    const QString stored = trimSpaces(ProfileFile::cutText(RawName::decode(file.readBytes(
        Section.toLatin1(), "PATH", QByteArray(), std::numeric_limits<int>::max()))));
    if (!stored.isEmpty() && window.setLocalPath(stored))
        return;
    window.setLocalPath(QCoreApplication::applicationDirPath());
}

QString profileKey(int n, const char* field) {
    return QStringLiteral("HOST") + QString::number(n) + QLatin1String(field);
}

} // namespace

void LoadSettings(SettingsWindow& window, HostProfiles& profiles, const QString& sKey,
                  const QString& filePath) {
    const ProfileFile file(filePath);

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

    profiles.Hosts = QList<HostInfo>(profiles.iNumHosts);
    for (int n = 0; n < profiles.iNumHosts; ++n) {
        HostInfo& host = profiles.Hosts[n];
        host.sName = readText(file, profileKey(n, "NAME"), QStringLiteral("Anonymous"));
        host.sAddr = readText(file, profileKey(n, "ADDR"), QString());
        host.sUser = readText(file, profileKey(n, "USER"), QStringLiteral("anonymous"));
        host.sPW = UnscramblePW(readScrambled(file, profileKey(n, "PW")), sKey);
    }
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
    for (int n = 0; n < count; ++n) {
        const HostInfo& host = profiles.Hosts[n];
        file.writeText(Section, profileKey(n, "NAME"), host.sName);
        file.writeText(Section, profileKey(n, "ADDR"), host.sAddr);
        file.writeText(Section, profileKey(n, "USER"), host.sUser);
        file.writeString(Section, profileKey(n, "PW"),
                         ScramblePW(host.sPW, sKey).value_or(QString()));
    }
    return file.save();
}
