#pragma once

#include "queue_login.h"
#include "sync_types.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

class Inet;
class InetJob;
struct InetResult;

// Sets up `inet` so that each command logs in, when it has to, as the
// queue's connections do. May throw an InetError.
void configureLikeQueue(Inet& inet, const QueueLogin& login);

// How a remote tree is read.
struct RemoteTreeOptions {
    int connections = 2; // the queue's parallel count
    bool recursive = true;
    SkipPath skip;           // folders left out (see SkipPath)
    int retryPauseMs = 1000; // before a lost connection is tried again, doubled each time
};

// Lists the remote folder `root` and the folders below it on connections of
// its own, logged in as the queue's are. Folders are handed out in the order
// they are found (breadth first) to whichever connection is free; a folder
// that lists exactly as one it lies in, or lies deeper than MostFolderDepth,
// is not followed. A folder that cannot be listed holds why in its
// SideFolder::error and the rest goes on; a lost connection is tried again a
// few times first.
//
// Where the listing gives the server's local times, the server's offset
// from UTC is measured once: the listed time of one file given to the minute
// against its time by MDTM (SFTP: its attributes).
//
// Nothing here waits: every step follows from a command's end.
class RemoteTreeReader : public QObject {
    Q_OBJECT

public:
    RemoteTreeReader(const QueueLogin& login, const QString& root, const RemoteTreeOptions& options,
                     QObject* parent = nullptr);
    ~RemoteTreeReader() override;

    void start();
    // Stops at once; finished() does not follow.
    void cancel();
    bool running() const { return m_running; }

    int foldersRead() const { return m_foldersRead; }
    qint64 entriesRead() const { return m_entriesRead; }

signals:
    // After each folder, for a status line.
    void progress(int foldersRead, qint64 entriesRead);
    // Once, with every folder read (or why not) and the server's clock. The
    // reader may be deleted later (deleteLater()), not from the handler.
    void finished(const SideTree& tree, const ServerClock& clock);

private:
    struct Folder {
        QString path;               // below the root
        QList<QByteArray> ancestry; // listing identities of the folders above
        int attempts = 0;           // connection losses so far
    };
    struct Connection {
        std::unique_ptr<Inet> inet;
        QPointer<InetJob> job;
        bool busy = false;
    };

    void handOut();
    void list(Connection& connection, Folder folder);
    void configure(Connection& connection);
    void listed(Connection& connection, const Folder& folder, const InetResult& result);
    void failed(Connection& connection, Folder folder, const InetResult& result);
    void endConnection(Connection& connection);
    void take(const Folder& folder, const RemoteListing& listing);
    void queueBelow(const Folder& folder, const RemoteListing& listing, const QByteArray& identity);
    void measureClock(Connection& connection, const Folder& folder, const RemoteListing& listing);
    void clockMeasured(qint64 listed, const InetResult& result);
    void setError(const QString& path, const QString& error);
    void finishIfDone();
    QString remotePath(const QString& path) const;

    QueueLogin m_login;
    QString m_root;
    RemoteTreeOptions m_options;
    std::vector<std::unique_ptr<Connection>> m_connections;
    std::deque<Folder> m_waiting;
    SideTree m_tree;
    ServerClock m_clock;
    bool m_measuring = false; // an MDTM for the clock is running or done
    bool m_running = false;
    int m_foldersRead = 0;
    qint64 m_entriesRead = 0;
};
