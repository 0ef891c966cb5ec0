#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// A real SFTP server for one test: OpenSSH's sshd, run as root in the
// foreground on 127.0.0.1 with a free port, its own configuration and host
// keys, and a temporary root that each SFTP session starts in. Stopped with
// the object.
//
// Logins are for one system user, made once on the machine when missing (a
// system account without a home or a shell, with a fixed password) and
// limited by the configuration to SFTP in the served root: by password, or
// by one of two ed25519 keys made for each server, one of them encrypted.
// Needs root (to let sshd check passwords and switch to the user):
// unavailableReason() says when the machine cannot run it.
//
// SFTP paths are absolute, so a file is sftp://<address><root()>/<name>
// (the session starts in root(), which is also what "~" means there).
class SshTestServer {
public:
    enum class HostKey { Ed25519, Rsa };

    struct Options {
        bool passwordLogin = true;
        bool keyLogin = true;
        bool ed25519HostKey = true; // serve an ed25519 host key
        bool rsaHostKey = true;     // serve an RSA host key (2048 bits) too
        // Also accept SHA-1 RSA signatures ("ssh-rsa"), turned off by default
        // since OpenSSH 8.8. libssh2 1.10 knows no other RSA algorithm, so it
        // needs this to use the RSA host key (when a known_hosts entry asks for
        // it) or an RSA user key.
        bool sshRsa = false;
        // The zone sshd, and so the SFTP server's listings, tell local time
        // in (a TZ value such as "XYZ-3"); the system's when empty.
        QString timeZone;
    };

    SshTestServer();
    explicit SshTestServer(Options options);
    ~SshTestServer();
    SshTestServer(const SshTestServer&) = delete;
    SshTestServer& operator=(const SshTestServer&) = delete;

    // Empty when this machine can run the server; otherwise why not (for QSKIP).
    static QString unavailableReason();

    // Makes the user, keys and configuration as needed and starts sshd; on
    // failure returns false and errorText() says why.
    bool start();
    // Kills sshd and the sessions it started at once (connections drop).
    void kill();
    // Starts a killed server again on the same port with the same host keys.
    bool restart();
    // Kills the server and starts it on the same port with a new set of host
    // keys: a server whose host key changed. `options`, when given, replace
    // the ones the server was made with (to serve other types of key, say).
    bool restartWithOtherHostKeys(const std::optional<Options>& options = std::nullopt);

    quint16 port() const { return m_port; }
    QString address() const;                // "127.0.0.1:<port>"
    QString root() const { return m_root; } // the served directory, owned by the user
    QString loginDir() const { return m_root; }
    QString userName() const;
    QString password() const;

    // The user's keys (OpenSSH format, ed25519), both authorised.
    QString privateKeyFile() const;          // not encrypted
    QString publicKeyFile() const;           // its ".pub"
    QString encryptedPrivateKeyFile() const; // encrypted with passphrase()
    QString encryptedPublicKeyFile() const;
    QString passphrase() const;

    // The current host keys: the fingerprint as `ssh-keygen -l` prints it
    // ("SHA256:<base64 without padding>"), the base64 part alone (what
    // CURLOPT_SSH_HOST_PUBLIC_KEY_SHA256 takes), the public key as
    // "<type> <base64>", and a known_hosts line for this server
    // ("[127.0.0.1]:<port> <type> <base64>"). Empty for a key not served.
    QString hostKeyFingerprint(HostKey key = HostKey::Ed25519) const;
    QString hostKeySha256(HostKey key = HostKey::Ed25519) const;
    QString hostPublicKey(HostKey key = HostKey::Ed25519) const;
    QString knownHostsLine(HostKey key = HostKey::Ed25519) const;

    // Creates a file under the root (relative path), owned by the user like
    // the directories it needs, so SFTP can overwrite and delete it. Only
    // after start(): the user may not exist before.
    bool writeFile(const QString& relativePath, const QByteArray& content) const;
    bool makeDirectory(const QString& relativePath) const;

    // What sshd has logged so far (logins, failures).
    QString log();
    QString errorText() const { return m_error; }

private:
    struct HostKeyInfo {
        QString fingerprint;
        QString publicKey;
    };

    bool prepare();
    bool makeHostKeys();
    // Makes one host key of `type` (ssh-keygen's -t and what follows it).
    bool makeHostKey(const QString& file, const QStringList& type, HostKeyInfo* info);
    bool writeConfig();
    bool launch();
    bool chownToUser(const QString& path) const;

    Options m_options;
    QTemporaryDir m_dir;
    QString m_root;
    quint16 m_port = 0;
    bool m_prepared = false;
    int m_hostKeySet = 0;
    HostKeyInfo m_ed25519;
    HostKeyInfo m_rsa;
    std::unique_ptr<QProcess> m_process;
    QByteArray m_log;
    QString m_error;
};

// An ssh-agent for one test, holding the given keys (not encrypted), stopped
// with the object. libssh2 finds an agent through the SSH_AUTH_SOCK
// environment variable only, so a test sets it to socketPath().
class SshTestAgent {
public:
    SshTestAgent();
    ~SshTestAgent();
    SshTestAgent(const SshTestAgent&) = delete;
    SshTestAgent& operator=(const SshTestAgent&) = delete;

    // Starts the agent and adds the keys; false on failure (errorText()).
    bool start(const QStringList& privateKeyFiles);
    void stop();

    QString socketPath() const { return m_socket; }
    QString errorText() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QString m_socket;
    std::unique_ptr<QProcess> m_process;
    QString m_error;
};
