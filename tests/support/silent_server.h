#pragma once

#include <QTcpServer>
#include <QTcpSocket>

// A server on 127.0.0.1 that accepts connections and never says a word: the
// FTP server that hangs, for timeouts and for cancelling.
class SilentServer : public QTcpServer {
public:
    SilentServer() {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection())
                s->setParent(this);
        });
        listen(QHostAddress::LocalHost, 0);
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }
};
