#pragma once

#include "peer_identity.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The SSH host keys the user chose to trust, kept in a known_hosts file of
// the client's own in OpenSSH's form (see known_host_names.h): one
// "host key-type base64-key" line per key, the host written "[host]:port"
// unless the port is 22. libcurl reads it at every SSH login; only this
// class writes it, and only when told to. Lines a person hashed with
// ssh-keygen -H count as well.
class KnownHosts {
public:
    explicit KnownHosts(QString path);

    const QString& path() const { return m_path; }

    // The fingerprints of the keys kept for the server, in file order.
    QStringList fingerprintsFor(const QByteArray& host, long port) const;
    // Adds the key of `key.host`:`key.port`. False, with *error, when the file
    // could not be written; it is then left as it was.
    bool add(const PeerIdentity& key, QString* error);
    // Removes every key of the server; other lines stay as they are.
    bool forget(const QByteArray& host, long port, QString* error);

private:
    struct Line {
        QByteArray text;
        QByteArray names; // empty for comments and lines not understood
        QByteArray keyBase64;
    };
    // The lines of the file (none when it does not exist); nothing when it
    // exists but cannot be read, so that writing it would lose its keys.
    std::optional<QList<Line>> readLines() const;
    bool write(const QList<Line>& lines, QString* error) const;
    bool unreadable(QString* error) const;

    QString m_path;
};
