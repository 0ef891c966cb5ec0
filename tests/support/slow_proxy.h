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
    // Nothing held back any more and no client connected: nothing more can
    // reach a client through the proxy.
    bool quiet() const { return m_heldBack == 0 && m_clients == 0; }

private:
    void relay(QTcpSocket* client) {
        client->setParent(this);
        ++m_clients;
        connect(client, &QTcpSocket::disconnected, this, [this] { --m_clients; });
        auto* upstream = new QTcpSocket(this);
        upstream->connectToHost(QHostAddress::LocalHost, m_targetPort);
        QPointer<QTcpSocket> to(client);
        connect(client, &QTcpSocket::readyRead, upstream,
                [client, upstream] { upstream->write(client->readAll()); });
        connect(upstream, &QTcpSocket::readyRead, this, [this, upstream, to] {
            const QByteArray answer = upstream->readAll();
            ++m_heldBack;
            QTimer::singleShot(m_delayMs, this, [this, to, answer] {
                --m_heldBack;
                if (to)
                    to->write(answer);
            });
        });
        connect(upstream, &QTcpSocket::disconnected, this, [this, to] {
            ++m_heldBack;
            QTimer::singleShot(m_delayMs, this, [this, to] {
                --m_heldBack;
                if (to)
                    to->disconnectFromHost();
            });
        });
        connect(client, &QTcpSocket::disconnected, upstream, &QTcpSocket::disconnectFromHost);
    }

    quint16 m_targetPort;
    int m_delayMs;
    int m_heldBack = 0; // answers and ends not yet passed on
    int m_clients = 0;
};
