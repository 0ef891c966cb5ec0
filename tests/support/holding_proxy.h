#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>

#include <optional>

// A doorway to a real FTP server on 127.0.0.1 that stops the conversation at
// one step. It passes each control connection on, relays the data
// connections the server offers (its passive replies name the doorway's own
// ports), and records every command line the client sends. Once the chosen
// step has come, what the server answers on that connection is held back
// until release(): the client waits there while a test acts.
class HoldingProxy : public QTcpServer {
    Q_OBJECT

public:
    struct Step {
        // The command whose answer is held ("DELE"), or any of several
        // ("LIST|MLSD"); empty: the greeting.
        QByteArray verb;
        // Which of them (of the connections, for the greeting), counted from
        // holdAt(): 1 for the first.
        int occurrence = 1;
        // The preliminary reply ("150") and part of the data pass; the rest
        // of the data, its end and the final reply are held.
        bool midData = false;
    };
    struct Command {
        int connection = 0; // 1 for the first control connection
        QByteArray line;
    };

    explicit HoldingProxy(quint16 serverPort);
    ~HoldingProxy() override;
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }

    // Holds at `step` when it comes; once only.
    void holdAt(const Step& step);
    // Passes on what is held, and holds nothing from now on.
    void release();

    QList<Command> commands() const { return m_commands; }
    // The command lines that came after the one whose answer was held (all
    // since the held greeting).
    QList<QByteArray> commandsAfterHold() const;
    // Control connections the client still keeps open.
    int openConnections() const;
    // A command line's verb, in capitals.
    static QByteArray verbOf(const QByteArray& line);

signals:
    // The step came and its answer is held (mid-data: the client has some
    // of the data and waits for the rest).
    void held();

private:
    class Control;
    class DataPipe;

    void accept(QTcpSocket* client);
    void takeClientLine(Control& control, const QByteArray& line);
    void takeServerLine(Control& control, QByteArray line);
    // A passive reply names a port of the doorway's instead of the server's.
    QByteArray offerData(Control& control, const QByteArray& line);
    void takeServerData(DataPipe& pipe, const QByteArray& bytes);
    void holdHere(Control& control);
    void announceWhenHeld();

    quint16 m_serverPort;
    std::optional<Step> m_step;
    int m_seen = 0; // occurrences of the step's verb since holdAt()
    QPointer<Control> m_held;
    bool m_announced = false;
    qsizetype m_holdIndex = -1;
    QList<Command> m_commands;
    QList<Control*> m_controls;
};
