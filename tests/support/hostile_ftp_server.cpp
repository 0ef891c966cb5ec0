#include "hostile_ftp_server.h"

#include "run_tool.h"

#include <QDir>
#include <QFile>

HostileFtpServer::HostileFtpServer(Options options)
    : m_options(std::move(options))
    , m_root(m_dir.path() + QStringLiteral("/root")) {
    QDir().mkpath(m_root);
}

HostileFtpServer::~HostileFtpServer() {
    if (m_process) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool HostileFtpServer::start() {
    QStringList args{QStringLiteral(TARLEN_SOURCE_DIR "/tests/support/hostile_ftpd.py"),
                     QStringLiteral("--root"), m_root, QStringLiteral("--log"),
                     m_dir.path() + QStringLiteral("/commands.log")};
    if (!m_options.certificateFile.isEmpty())
        args << QStringLiteral("--tls") << m_options.certificateFile << m_options.keyFile;
    if (m_options.tlsConnections >= 0)
        args << QStringLiteral("--refuse-auth-after") << QString::number(m_options.tlsConnections);
    if (m_options.refuseProtectedData)
        args << QStringLiteral("--refuse-prot");
    if (m_options.noSize)
        args << QStringLiteral("--no-size");
    if (m_options.retrieveOnly >= 0)
        args << QStringLiteral("--short-retr") << QString::number(m_options.retrieveOnly);
    if (!m_options.listing.isEmpty()) {
        const QString listing = m_dir.path() + QStringLiteral("/listing");
        QFile file(listing);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_options.listing) < 0) {
            m_error = QStringLiteral("cannot write ") + listing;
            return false;
        }
        args << QStringLiteral("--listing") << listing;
    }
    if (!m_options.endlessFolder.isEmpty())
        args << QStringLiteral("--endless") << m_options.endlessFolder;
    if (!m_options.checksumReply.isEmpty())
        args << QStringLiteral("--checksum-reply") << m_options.checksumReply;

    m_process = std::make_unique<QProcess>();
    m_process->start(QStringLiteral("/usr/bin/python3"), args);
    m_port = announcedPort(*m_process);
    if (m_port != 0)
        return true;
    m_error = QStringLiteral("the hostile server did not start: ") +
              QString::fromLocal8Bit(m_process->readAllStandardError());
    return false;
}

QList<HostileFtpServer::Received> HostileFtpServer::received() const {
    QList<Received> lines;
    QFile file(m_dir.path() + QStringLiteral("/commands.log"));
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype blank = line.indexOf(' ');
        if (blank > 0)
            lines.append({line.first(blank) == "tls", line.mid(blank + 1)});
    }
    return lines;
}

bool HostileFtpServer::receivedInClear(const QByteArray& verb) const {
    for (const Received& line : received())
        if (!line.encrypted && line.line.toUpper().startsWith(verb))
            return true;
    return false;
}
