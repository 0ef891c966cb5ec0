#pragma once

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// A server that answers slowly: it passes each control connection on to a
// real server on 127.0.0.1, holding back every piece of the server's answer
// for `delayMs`. Data connections go to the real server directly.
class SlowProxy : public QTcpServer {
public:
    SlowProxy(quint16 targetPort, int delayMs)
        : m_targetPort(targetPort)
        , m_delayMs(delayMs) {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = nextPendingConnection())
                relay(client);
        });
        listen(QHostAddress::LocalHost, 0);
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }

private:
    void relay(QTcpSocket* client) {
        client->setParent(this);
        auto* upstream = new QTcpSocket(this);
        upstream->connectToHost(QHostAddress::LocalHost, m_targetPort);
        QPointer<QTcpSocket> to(client);
        connect(client, &QTcpSocket::readyRead, upstream,
                [client, upstream] { upstream->write(client->readAll()); });
        connect(upstream, &QTcpSocket::readyRead, this, [this, upstream, to] {
            const QByteArray answer = upstream->readAll();
            QTimer::singleShot(m_delayMs, this, [to, answer] {
                if (to)
                    to->write(answer);
            });
        });
        connect(upstream, &QTcpSocket::disconnected, this, [this, to] {
            QTimer::singleShot(m_delayMs, this, [to] {
                if (to)
                    to->disconnectFromHost();
            });
        });
        connect(client, &QTcpSocket::disconnected, upstream, &QTcpSocket::disconnectFromHost);
    }

    quint16 m_targetPort;
    int m_delayMs;
};
