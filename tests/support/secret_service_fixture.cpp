#include "secret_service_fixture.h"

#include "run_tool.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <signal.h>
#include <sys/prctl.h>

namespace {

const char* const kSecretsName = "org.freedesktop.secrets";
const char* const kKeyringPassword = "keyring test password";
const char* const kWatchConnection = "tarlen-secret-service-fixture";
constexpr int kStartTimeoutMs = 20000;

// A daemon of the fixture, killed when the test process ends in any way.
std::unique_ptr<QProcess> makeDaemonProcess(const QProcessEnvironment& environment) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    return process;
}

void stopProcess(std::unique_ptr<QProcess>& process) {
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(10000);
    }
    process.reset();
}

} // namespace

SecretServiceFixture::SecretServiceFixture()
    : m_dir(QDir::tempPath() + QStringLiteral("/tarlen-secrets-XXXXXX")) {}

SecretServiceFixture::~SecretServiceFixture() {
    stopProcess(m_keyring);
    QDBusConnection::disconnectFromBus(QString::fromLatin1(kWatchConnection));
    stopProcess(m_bus);
}

QString SecretServiceFixture::unavailableReason() {
    if (!QFileInfo(toolPath("gnome-keyring-daemon")).isExecutable())
        return QStringLiteral("no gnome-keyring-daemon (package gnome-keyring)");
    if (!QFileInfo(toolPath("dbus-daemon")).isExecutable())
        return QStringLiteral("no dbus-daemon (package dbus-daemon)");
    return {};
}

// The daemons see the temporary folder as their home, data, configuration,
// cache and runtime folders, and no display.
QProcessEnvironment SecretServiceFixture::daemonEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString base = m_dir.path();
    environment.insert(QStringLiteral("HOME"), base + QStringLiteral("/home"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), base + QStringLiteral("/home/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), base + QStringLiteral("/home/config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), base + QStringLiteral("/home/cache"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), base + QStringLiteral("/runtime"));
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "GNOME_KEYRING_CONTROL",
                             "DESKTOP_AUTOSTART_ID", "SSH_AUTH_SOCK"})
        environment.remove(QString::fromLatin1(name));
    if (!m_busAddress.isEmpty())
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
    return environment;
}

// A session bus that anyone of this user may use, listening in the
// temporary folder, with no service folders: nothing gets started on demand.
bool SecretServiceFixture::writeBusConfig(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write ") + path;
        return false;
    }
    const QString config =
        QStringLiteral(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>session</type>\n"
            "  <listen>unix:dir=%1</listen>\n"
            "  <auth>EXTERNAL</auth>\n"
            "  <policy context=\"default\">\n"
            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
            "    <allow eavesdrop=\"true\"/>\n"
            "    <allow own=\"*\"/>\n"
            "  </policy>\n"
            "</busconfig>\n")
            .arg(m_dir.path() + QStringLiteral("/runtime"));
    return file.write(config.toUtf8()) > 0;
}

bool SecretServiceFixture::startBus() {
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("cannot make a temporary folder");
        return false;
    }
    for (const char* sub : {"home/data", "home/config", "home/cache", "runtime"})
        QDir(m_dir.path()).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(m_dir.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString configPath = m_dir.path() + QStringLiteral("/bus.conf");
    if (!writeBusConfig(configPath))
        return false;
    m_bus = makeDaemonProcess(daemonEnvironment());
    m_bus->setProcessChannelMode(QProcess::SeparateChannels);
    m_bus->start(toolPath("dbus-daemon"),
                 {QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                  QStringLiteral("--print-address=1")});
    // The address is printed once the bus accepts connections.
    while (m_bus->waitForReadyRead(kStartTimeoutMs) && !m_bus->canReadLine()) {
    }
    m_busAddress = QString::fromUtf8(m_bus->readLine().trimmed());
    if (m_busAddress.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon did not start: ") +
                  QString::fromLocal8Bit(m_bus->readAllStandardError());
        stopProcess(m_bus);
        return false;
    }
    return true;
}

bool SecretServiceFixture::startKeyring() {
    if (m_busAddress.isEmpty()) {
        m_error = QStringLiteral("the bus is not running");
        return false;
    }
    m_keyring = makeDaemonProcess(daemonEnvironment());
    // Its chatter (such as missing memory-locking rights) goes to the test's
    // output.
    m_keyring->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_keyring->start(toolPath("gnome-keyring-daemon"),
                     {QStringLiteral("--foreground"), QStringLiteral("--components=secrets"),
                      QStringLiteral("--unlock")});
    if (!m_keyring->waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("gnome-keyring-daemon did not start: ") + m_keyring->errorString();
        stopProcess(m_keyring);
        return false;
    }
    // --unlock reads the login keyring's password up to the end of input.
    m_keyring->write(kKeyringPassword);
    m_keyring->closeWriteChannel();
    if (!waitForSecretsOwner(true)) {
        m_error = QStringLiteral("gnome-keyring-daemon did not take %1 on the bus")
                      .arg(QString::fromLatin1(kSecretsName));
        stopProcess(m_keyring);
        return false;
    }
    return true;
}

void SecretServiceFixture::stopKeyring() {
    stopProcess(m_keyring);
    if (!m_busAddress.isEmpty())
        waitForSecretsOwner(false);
}

bool SecretServiceFixture::keyringRunning() const {
    return m_keyring && m_keyring->state() == QProcess::Running;
}

void SecretServiceFixture::freezeKeyring(bool frozen) {
    if (keyringRunning())
        ::kill(pid_t(m_keyring->processId()), frozen ? SIGSTOP : SIGCONT);
}

// Waits until org.freedesktop.secrets has an owner (or none), seen through a
// connection of the fixture's own; false after the timeout, or when the
// keyring daemon ends while we wait for it to take the name.
bool SecretServiceFixture::waitForSecretsOwner(bool owned) {
    const QDBusConnection bus =
        QDBusConnection::connectToBus(m_busAddress, QString::fromLatin1(kWatchConnection));
    if (!bus.isConnected())
        return false;
    const QString name = QString::fromLatin1(kSecretsName);
    const auto settled = [&] {
        return bus.interface()->isServiceRegistered(name).value() == owned ||
               (owned && !keyringRunning());
    };
    return QTest::qWaitFor(settled, kStartTimeoutMs) &&
           bus.interface()->isServiceRegistered(name).value() == owned;
}
