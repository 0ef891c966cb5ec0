#include "trusted_certificates.h"

#include "private_file.h"

#include <QFile>

TrustedCertificates::TrustedCertificates(QString path)
    : m_path(std::move(path)) {}

QByteArray TrustedCertificates::serverName(const QByteArray& host, long port) {
    return host.toLower() + ':' + QByteArray::number(qlonglong(port));
}

std::optional<TrustedCertificates::Entry> TrustedCertificates::find(const QByteArray& host,
                                                                    long port) const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray server = serverName(host, port);
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 3 && fields[0] == server)
            return Entry{fields[1], QString::fromLatin1(fields[2])};
    }
    return std::nullopt;
}

bool TrustedCertificates::trust(const PeerIdentity& certificate, QString* error) {
    const QByteArray server = serverName(certificate.host, certificate.port);
    QByteArray content;
    QFile file(m_path);
    if (file.exists() && !file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1 could not be read; it was left as it is.").arg(m_path);
        return false;
    }
    if (file.isOpen()) {
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty() && line.simplified().split(' ').value(0) != server)
                content += line + '\n';
        file.close();
    }
    content +=
        server + ' ' + certificate.publicKeyPin + ' ' + certificate.fingerprint.toLatin1() + '\n';
    return writePrivateFile(m_path, content, error);
}
