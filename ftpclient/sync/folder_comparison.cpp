#include "folder_comparison.h"

#include "folder_compare.h"
#include "local_tree_reader.h"
#include "name_filter.h"
#include "remote_tree_reader.h"
#include "sync_plan.h"

#include <QCoreApplication>
#include <QThreadPool>

FolderComparison::FolderComparison(QObject* parent)
    : QObject(parent)
    , m_local(new LocalTreeReader(this))
    , m_contents(new ContentComparison(this)) {
    connect(m_local, &LocalTreeReader::finished, this, &FolderComparison::localRead);
    connect(m_contents, &ContentComparison::progress, this, &FolderComparison::contentProgress);
    connect(m_contents, &ContentComparison::finished, this,
            [this] { plan(std::exchange(m_contentTree, {}), m_contents->results()); });
}

FolderComparison::~FolderComparison() {
    cancel();
}

void FolderComparison::start(const Request& request) {
    cancel();
    m_request = request;
    m_running = true;
    m_localTree.reset();
    m_remoteTree.reset();
    m_probedClock.reset();
    m_clockProblem.clear();
    if (request.clockByUpload && !request.offsetSeconds) {
        // The file goes before the folder is read, so that no listing shows it.
        m_probe = new ClockProbe(request.login, request.remoteRoot, this);
        connect(m_probe, &ClockProbe::finished, this, &FolderComparison::probed);
        m_probe->start();
        return;
    }
    readTrees();
}

void FolderComparison::probed(const ClockProbe::Result& result) {
    if (m_probe)
        m_probe->deleteLater();
    m_clockProblem = result.problem;
    if (result.offsetSeconds)
        m_probedClock = ServerClock{ServerClock::Source::Uploaded, *result.offsetSeconds};
    readTrees();
}

void FolderComparison::readTrees() {
    const Request& request = m_request;
    const auto filter = std::make_shared<CompiledFilter>(request.options.filter);
    const SkipPath skip = [filter](const QString& path, bool folder) {
        return filter->skips(path, folder);
    };
    LocalTreeOptions local;
    local.recursive = request.options.recursive;
    local.skip = skip;
    m_local->start(request.localRoot, local);
    RemoteTreeOptions remote;
    remote.connections = std::max(1, request.connections);
    remote.recursive = request.options.recursive;
    remote.skip = skip;
    m_remote = new RemoteTreeReader(request.login, request.remoteRoot, remote, this);
    connect(m_remote, &RemoteTreeReader::progress, this, &FolderComparison::progress);
    connect(m_remote, &RemoteTreeReader::finished, this, &FolderComparison::remoteRead);
    m_remote->start();
}

void FolderComparison::cancel() {
    ++*m_generation;
    m_local->cancel();
    m_contents->cancel();
    m_contentTree.reset();
    if (m_probe) {
        m_probe->cancel();
        m_probe->deleteLater();
    }
    if (m_remote) {
        m_remote->cancel();
        m_remote->deleteLater();
    }
    m_running = false;
}

void FolderComparison::localRead(const SideTree& tree) {
    m_localTree = tree;
    judgeWhenBothRead();
}

void FolderComparison::remoteRead(const SideTree& tree, const ServerClock& clock) {
    m_remoteTree = tree;
    m_clock = clock;
    if (m_request.offsetSeconds)
        m_clock = {ServerClock::Source::Set, *m_request.offsetSeconds};
    else if (m_probedClock)
        m_clock = *m_probedClock;
    if (m_remote)
        m_remote->deleteLater();
    judgeWhenBothRead();
}

// Judging and planning 100,000 names takes longer than the window may
// pause: it is done on the thread pool.
void FolderComparison::judgeWhenBothRead() {
    if (!m_localTree || !m_remoteTree)
        return;
    SyncOptions options = m_request.options;
    options.rules.remoteOffsetSeconds = m_clock.offsetSeconds;
    auto local = std::make_shared<SideTree>(std::move(*m_localTree));
    auto remote = std::make_shared<SideTree>(std::move(*m_remoteTree));
    m_localTree.reset();
    m_remoteTree.reset();
    const std::weak_ptr<int> generation = m_generation;
    const int asked = *m_generation;
    QThreadPool::globalInstance()->start([this, local, remote, options, generation, asked] {
        auto tree = std::make_shared<ComparedTree>(
            compareTrees(*local, *remote, options.rules, CompiledFilter(options.filter)));
        std::shared_ptr<SyncPlan> plan;
        if (!options.rules.byChecksum)
            plan = std::make_shared<SyncPlan>(planSync(*tree, options));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, tree, plan, generation, asked] {
                const auto living = generation.lock();
                if (!living || *living != asked)
                    return;
                if (plan)
                    judged(tree, plan);
                else
                    compareContents(tree);
            },
            Qt::QueuedConnection);
    });
}

// Runs while the tree waits; the candidates are copied out of it first.
void FolderComparison::compareContents(std::shared_ptr<ComparedTree> tree) {
    ContentComparison::Request request;
    request.login = m_request.login;
    request.localRoot = m_request.localRoot;
    request.remoteRoot = m_request.remoteRoot;
    request.connections = std::max(1, m_request.connections);
    request.readWhenNoChecksum = m_request.options.rules.readWhenNoChecksum;
    std::vector<ContentCandidate> candidates = contentCandidates(*tree);
    m_contentTree = std::move(tree);
    m_contents->start(request, std::move(candidates));
}

void FolderComparison::plan(std::shared_ptr<ComparedTree> tree,
                            std::vector<ContentResult> contents) {
    if (!tree)
        return;
    SyncOptions options = m_request.options;
    options.rules.remoteOffsetSeconds = m_clock.offsetSeconds;
    const std::weak_ptr<int> generation = m_generation;
    const int asked = *m_generation;
    QThreadPool::globalInstance()->start(
        [this, tree, contents = std::move(contents), options, generation, asked] {
            applyContentResults(*tree, contents);
            auto plan = std::make_shared<SyncPlan>(planSync(*tree, options));
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [this, tree, plan, generation, asked] {
                    const auto living = generation.lock();
                    if (living && *living == asked)
                        judged(tree, plan);
                },
                Qt::QueuedConnection);
        });
}

// The last comparison's 100,000 entries are let go on the thread pool.
void FolderComparison::judged(std::shared_ptr<ComparedTree> tree, std::shared_ptr<SyncPlan> plan) {
    std::shared_ptr<const ComparedTree> oldTree = std::exchange(m_tree, std::move(tree));
    std::shared_ptr<const SyncPlan> oldPlan = std::exchange(m_plan, std::move(plan));
    QThreadPool::globalInstance()->start(
        [oldTree = std::move(oldTree), oldPlan = std::move(oldPlan)]() mutable {
            oldTree.reset();
            oldPlan.reset();
        });
    m_running = false;
    emit finished();
}
