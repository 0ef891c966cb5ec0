#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private D-Bus session bus for one test and, when asked, gnome-keyring's
// Secret Service on it, with a new login keyring unlocked by a test password.
// Everything lives in a temporary folder that stands in for the daemons'
// home and XDG folders, so the user's own keyrings and session bus are never
// touched and tests can run side by side. The daemons are stopped with the
// object; should the test process die first, the bus gets a parent-death
// signal and the keyring daemon quits when its bus goes away.
//
// A test process points its own D-Bus use at the bus by setting
// DBUS_SESSION_BUS_ADDRESS to busAddress() before anything in it touches
// D-Bus (Qt and GLib both keep the first session bus they connect to).
class SecretServiceFixture {
public:
    SecretServiceFixture();
    ~SecretServiceFixture();
    SecretServiceFixture(const SecretServiceFixture&) = delete;
    SecretServiceFixture& operator=(const SecretServiceFixture&) = delete;

    // Empty when this machine has both daemons; otherwise why not (for QSKIP).
    static QString unavailableReason();

    // Starts dbus-daemon with a configuration that can start no services by
    // itself; on failure returns false and errorText() says why.
    bool startBus();
    QString busAddress() const { return m_busAddress; }

    // Starts gnome-keyring-daemon (secrets only) on the bus and waits until
    // it owns org.freedesktop.secrets. Only after startBus().
    bool startKeyring();
    // Kills the keyring daemon and waits until its bus name is gone.
    void stopKeyring();
    bool keyringRunning() const;
    // Stops the keyring daemon in its tracks (SIGSTOP), or lets it go on: a
    // keyring that hangs.
    void freezeKeyring(bool frozen);

    QString errorText() const { return m_error; }

private:
    QProcessEnvironment daemonEnvironment() const;
    bool writeBusConfig(const QString& path);
    bool waitForSecretsOwner(bool owned);

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_bus;
    std::unique_ptr<QProcess> m_keyring;
    QString m_busAddress;
    QString m_error;
};
