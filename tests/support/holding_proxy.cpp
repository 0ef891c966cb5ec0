#include "holding_proxy.h"

#include <QMetaObject>
#include <QRegularExpression>
#include <QTcpSocket>

#include <utility>

// One control connection: the client's end, the server's, the part of a
// line not yet complete in each direction, and what the server said that is
// held back.
class HoldingProxy::Control : public QObject {
public:
    enum class Gate { Open, UntilPreliminary, Shut };

    Control(int number, QTcpSocket* clientSocket, QObject* parent)
        : QObject(parent)
        , id(number)
        , client(clientSocket)
        , server(new QTcpSocket(this)) {
        client->setParent(this);
    }

    int id;
    QTcpSocket* client;
    QTcpSocket* server;
    QByteArray fromClient;
    QByteArray fromServer;
    Gate gate = Gate::Open;
    bool preliminaryPassed = false;
    bool holdsData = false;
    QByteArray held;
    bool serverEnded = false;
    bool clientEnded = false;
    QPointer<DataPipe> data; // the last one the server offered
};

// One data connection the server offered, relayed through a port of the
// doorway's.
class HoldingProxy::DataPipe : public QObject {
public:
    DataPipe(Control& owner, quint16 port)
        : QObject(&owner)
        , control(&owner)
        , serverPort(port)
        , listener(new QTcpServer(this)) {
        listener->listen(QHostAddress::LocalHost, 0);
    }

    QPointer<Control> control;
    quint16 serverPort;
    QTcpServer* listener;
    QTcpSocket* client = nullptr;
    QTcpSocket* server = nullptr;
    bool passedSome = false;
    bool heldBack = false;
    QByteArray held;
    bool serverEnded = false;
};

namespace {

// Calls `take` with each complete line in `buffer` (without its end), and
// keeps the rest.
template <typename Take> void eachLine(QByteArray& buffer, Take take) {
    for (qsizetype end = buffer.indexOf('\n'); end >= 0; end = buffer.indexOf('\n')) {
        QByteArray line = buffer.left(end);
        buffer.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        take(line);
    }
}

} // namespace

QByteArray HoldingProxy::verbOf(const QByteArray& line) {
    const qsizetype blank = line.indexOf(' ');
    return (blank < 0 ? line : line.first(blank)).toUpper();
}

HoldingProxy::HoldingProxy(quint16 serverPort)
    : m_serverPort(serverPort) {
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* client = nextPendingConnection())
            accept(client);
    });
    listen(QHostAddress::LocalHost, 0);
}

HoldingProxy::~HoldingProxy() {
    // The connections go while the doorway is whole.
    qDeleteAll(m_controls);
}

void HoldingProxy::holdAt(const Step& step) {
    m_step = step;
    m_seen = 0;
    m_announced = false;
    m_holdIndex = -1;
}

void HoldingProxy::accept(QTcpSocket* client) {
    auto* control = new Control(int(m_controls.size()) + 1, client, this);
    m_controls.append(control);
    Control& c = *control;
    connect(c.client, &QTcpSocket::readyRead, control, [this, &c] {
        c.fromClient += c.client->readAll();
        eachLine(c.fromClient, [this, &c](const QByteArray& line) { takeClientLine(c, line); });
    });
    connect(c.client, &QTcpSocket::disconnected, control, [&c] {
        c.clientEnded = true;
        c.server->disconnectFromHost();
    });
    connect(c.server, &QTcpSocket::readyRead, control, [this, &c] {
        c.fromServer += c.server->readAll();
        eachLine(c.fromServer, [this, &c](const QByteArray& line) { takeServerLine(c, line); });
    });
    connect(c.server, &QTcpSocket::disconnected, control, [&c] {
        if (c.gate == Control::Gate::Shut)
            c.serverEnded = true;
        else
            c.client->disconnectFromHost();
    });
    if (m_step && m_step->verb.isEmpty() && ++m_seen == m_step->occurrence)
        holdHere(c);
    c.server->connectToHost(QHostAddress::LocalHost, m_serverPort);
}

void HoldingProxy::takeClientLine(Control& control, const QByteArray& line) {
    m_commands.append({control.id, line});
    if (m_step && !m_step->verb.isEmpty() && m_step->verb.split('|').contains(verbOf(line)) &&
        ++m_seen == m_step->occurrence)
        holdHere(control);
    control.server->write(line + "\r\n");
}

void HoldingProxy::holdHere(Control& control) {
    m_held = &control;
    m_holdIndex = m_commands.size();
    control.holdsData = m_step->midData;
    control.gate = m_step->midData ? Control::Gate::UntilPreliminary : Control::Gate::Shut;
    m_step.reset();
}

void HoldingProxy::takeServerLine(Control& control, QByteArray line) {
    line = offerData(control, line) + "\r\n";
    switch (control.gate) {
    case Control::Gate::Open:
        control.client->write(line);
        break;
    case Control::Gate::UntilPreliminary:
        control.client->write(line);
        if (line.startsWith("150") || line.startsWith("125")) {
            control.gate = Control::Gate::Shut;
            control.preliminaryPassed = true;
            announceWhenHeld();
        }
        break;
    case Control::Gate::Shut:
        control.held += line;
        announceWhenHeld();
        break;
    }
}

QByteArray HoldingProxy::offerData(Control& control, const QByteArray& line) {
    static const QRegularExpression extended(QStringLiteral("\\(\\|\\|\\|(\\d+)\\|\\)"));
    static const QRegularExpression plain(
        QStringLiteral("(\\d+),(\\d+),(\\d+),(\\d+),(\\d+),(\\d+)"));
    const QString text = QString::fromLatin1(line);
    quint16 port = 0;
    QRegularExpressionMatch match;
    if (line.startsWith("229") && (match = extended.match(text)).hasMatch())
        port = quint16(match.captured(1).toUInt());
    else if (line.startsWith("227") && (match = plain.match(text)).hasMatch())
        port = quint16(match.captured(5).toUInt() * 256 + match.captured(6).toUInt());
    if (port == 0)
        return line;

    auto* pipe = new DataPipe(control, port);
    control.data = pipe;
    DataPipe& p = *pipe;
    connect(p.listener, &QTcpServer::newConnection, pipe, [this, &p] {
        p.client = p.listener->nextPendingConnection();
        p.listener->close();
        p.server = new QTcpSocket(&p);
        connect(p.client, &QTcpSocket::readyRead, &p,
                [&p] { p.server->write(p.client->readAll()); });
        connect(p.client, &QTcpSocket::disconnected, &p, [&p] { p.server->disconnectFromHost(); });
        connect(p.server, &QTcpSocket::readyRead, &p,
                [this, &p] { takeServerData(p, p.server->readAll()); });
        connect(p.server, &QTcpSocket::disconnected, &p, [&p] {
            if (p.heldBack)
                p.serverEnded = true;
            else
                p.client->disconnectFromHost();
        });
        p.server->connectToHost(QHostAddress::LocalHost, p.serverPort);
    });
    const quint16 ours = p.listener->serverPort();
    const QString offered =
        line.startsWith("229")
            ? QString(text).replace(match.capturedStart(1), match.capturedLength(1),
                                    QString::number(ours))
            : QString(text).replace(
                  match.capturedStart(0), match.capturedLength(0),
                  QStringLiteral("127,0,0,1,%1,%2").arg(ours >> 8).arg(ours & 255));
    return offered.toLatin1();
}

void HoldingProxy::takeServerData(DataPipe& pipe, const QByteArray& bytes) {
    if (pipe.heldBack) {
        pipe.held += bytes;
        return;
    }
    if (pipe.control && pipe.control->holdsData && !pipe.passedSome && !bytes.isEmpty()) {
        const qsizetype passed = qMax<qsizetype>(1, bytes.size() / 2);
        pipe.client->write(bytes.left(passed));
        pipe.held = bytes.mid(passed);
        pipe.passedSome = true;
        pipe.heldBack = true;
        announceWhenHeld();
        return;
    }
    pipe.client->write(bytes);
}

void HoldingProxy::announceWhenHeld() {
    if (!m_held || m_announced)
        return;
    const Control& c = *m_held;
    const bool holding =
        c.holdsData ? c.preliminaryPassed && c.data && c.data->passedSome : !c.held.isEmpty();
    if (!holding)
        return;
    m_announced = true;
    // From the event loop, not from inside a socket's signal.
    QMetaObject::invokeMethod(this, &HoldingProxy::held, Qt::QueuedConnection);
}

void HoldingProxy::release() {
    m_step.reset();
    if (!m_held)
        return;
    Control& c = *m_held;
    m_held = nullptr;
    c.gate = Control::Gate::Open;
    c.holdsData = false;
    if (DataPipe* pipe = c.data) {
        pipe->heldBack = false;
        if (pipe->client) {
            pipe->client->write(std::exchange(pipe->held, {}));
            if (pipe->serverEnded)
                pipe->client->disconnectFromHost();
        }
    }
    if (!c.clientEnded) {
        c.client->write(std::exchange(c.held, {}));
        if (c.serverEnded)
            c.client->disconnectFromHost();
    }
}

QList<QByteArray> HoldingProxy::commandsAfterHold() const {
    QList<QByteArray> lines;
    for (qsizetype n = qMax<qsizetype>(m_holdIndex, 0); m_holdIndex >= 0 && n < m_commands.size();
         ++n)
        lines.append(m_commands[n].line);
    return lines;
}

int HoldingProxy::openConnections() const {
    int open = 0;
    for (const Control* c : m_controls)
        open += c->clientEnded ? 0 : 1;
    return open;
}
