#pragma once

#include "content_comparison.h"
#include "clock_probe.h"
#include "queue_login.h"
#include "sync_types.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class LocalTreeReader;
class RemoteTreeReader;

// One comparison of a local folder with a remote one, from reading both
// trees (side by side: the disk on the thread pool, the server on
// connections of its own) to the judgement and the preview's plan, worked
// out on the thread pool; with checksums asked for, the contents of the
// files of one size on both sides are compared in between
// (ContentComparison). Nothing here waits; finished() tells the end.
class FolderComparison : public QObject {
    Q_OBJECT

public:
    struct Request {
        QueueLogin login;
        QString localRoot;  // RawName text
        QString remoteRoot; // RawName text
        SyncOptions options;
        int connections = 2;
        // The server's listed times ahead of UTC, as the user set it;
        // nothing to find out from the server.
        std::optional<qint64> offsetSeconds;
        // Without offsetSeconds: find the clock out from a file uploaded
        // into remoteRoot (and deleted again) before the trees are read.
        bool clockByUpload = false;
    };

    explicit FolderComparison(QObject* parent = nullptr);
    ~FolderComparison() override;

    void start(const Request& request);
    // Stops the comparison; finished() does not follow.
    void cancel();
    bool running() const { return m_running; }

    const Request& request() const { return m_request; }
    // Once finished: what was found and what would bring the folders in line.
    const ComparedTree& tree() const { return *m_tree; }
    const SyncPlan& plan() const { return *m_plan; }
    // The server's clock as it was used (set by the user, or found out).
    const ServerClock& clock() const { return m_clock; }
    // What went wrong finding the clock out from an uploaded file; "" when
    // nothing did.
    const QString& clockProblem() const { return m_clockProblem; }

signals:
    void progress(int foldersRead, qint64 entriesRead);
    // While contents are compared: files done of all to do.
    void contentProgress(int filesChecked, int files);
    void finished();

private:
    void readTrees();
    void probed(const ClockProbe::Result& result);
    void localRead(const SideTree& tree);
    void remoteRead(const SideTree& tree, const ServerClock& clock);
    void judgeWhenBothRead();
    void compareContents(std::shared_ptr<ComparedTree> tree);
    void plan(std::shared_ptr<ComparedTree> tree, std::vector<ContentResult> contents);
    void judged(std::shared_ptr<ComparedTree> tree, std::shared_ptr<SyncPlan> plan);

    Request m_request;
    LocalTreeReader* m_local = nullptr;
    ContentComparison* m_contents = nullptr;
    QPointer<RemoteTreeReader> m_remote;
    QPointer<ClockProbe> m_probe;
    std::optional<ServerClock> m_probedClock;
    QString m_clockProblem;
    std::optional<SideTree> m_localTree;
    std::optional<SideTree> m_remoteTree;
    std::shared_ptr<ComparedTree> m_contentTree; // judged, waiting for its contents
    ServerClock m_clock;
    std::shared_ptr<const ComparedTree> m_tree = std::make_shared<ComparedTree>();
    std::shared_ptr<const SyncPlan> m_plan = std::make_shared<SyncPlan>();
    bool m_running = false;
    // Tells work handed to the thread pool whether its answer is still wanted.
    std::shared_ptr<int> m_generation = std::make_shared<int>(0);
};
