// The transfer queue in the window: its lines in the log, the panes
// refreshed as files arrive in the directories they show, and the queue kept
// across runs for each login.
#include "queue_hookup.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "host_profiles.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "queue_keeper.h"
#include "queue_questions.h"
#include "remote_session.h"
#include "session_trust.h"
#include "status_log.h"
#include "transfer_progress.h"
#include "transfer_queue.h"
#include "window_parts.h"

#include <QTimer>

#include <algorithm>

namespace {

// Arrivals come in bursts: a pane is read again at most this often.
constexpr int kRefreshMs = 500;

QTimer* singleShotTimer(QObject* parent, int ms) {
    auto* timer = new QTimer(parent);
    timer->setSingleShot(true);
    timer->setInterval(ms);
    return timer;
}

} // namespace

QueueHookup::QueueHookup(TransferQueue& queue, RemoteSession& session, Prompter& prompter,
                         const WindowParts& parts)
    : m_queue(queue)
    , m_session(session)
    , m_prompter(prompter)
    , m_parts(parts)
    , m_questions(std::make_unique<QueueQuestions>(prompter))
    , m_keeper(std::make_unique<QueueKeeper>(queue)) {
    m_queue.setConflictPrompts(m_questions.get());
    connectQueue();
}

QueueHookup::~QueueHookup() = default;

void QueueHookup::connectQueue() {
    TransferQueue& q = m_queue;
    StatusLog* log = m_parts.Txt_Status;
    m_localRefreshTimer = singleShotTimer(this, kRefreshMs);
    m_remoteRefreshTimer = singleShotTimer(this, kRefreshMs);
    connect(m_keeper.get(), &QueueKeeper::failed, this, [log](const QString& error) {
        log->append(QStringLiteral("\r\nThe transfer queue could not be kept: ") + error);
    });
    connect(m_localRefreshTimer, &QTimer::timeout, m_parts.localPane,
            &LocalPane::refreshKeepingView);
    connect(m_remoteRefreshTimer, &QTimer::timeout, this, [this] {
        // A command of the window's own runs: the listing waits for it.
        if (m_session.runner().busy())
            m_remoteRefreshTimer->start();
        else
            m_parts.remotePane->refreshKeepingView();
    });
    connect(&q, &TransferQueue::logLine, this, [log](const QString& text) {
        log->append(text);
        log->cutToLimit();
    });
    connect(&q, &TransferQueue::localFileArrived, this, [this](const QString& folder) {
        if (folder == m_parts.localPane->localDirectory())
            refreshPanesSoon(true);
    });
    connect(&q, &TransferQueue::remoteFileArrived, this, [this](const QString& folder) {
        if (m_session.connected() && folder == m_parts.remotePane->remoteDirectory())
            refreshPanesSoon(false);
    });
    connect(&q, &TransferQueue::totalsChanged, this, &QueueHookup::followRunningFile);
}

// The progress display under the log follows the first file on its way.
void QueueHookup::followRunningFile() {
    TransferProgressPanel* progress = m_parts.Progress;
    const auto& items = m_queue.items();
    const auto running = std::find_if(items.begin(), items.end(), [](const TransferItem& item) {
        return item.state == TransferState::Running && !item.folder;
    });
    if (running == items.end()) {
        if (progress->active())
            progress->end();
        return;
    }
    if (!progress->active() || progress->nameText() != running->name())
        progress->begin(running->name());
    progress->update(running->done, running->size);
}

void QueueHookup::refreshPanesSoon(bool local) {
    QTimer* timer = local ? m_localRefreshTimer : m_remoteRefreshTimer;
    if (!timer->isActive())
        timer->start();
}

// The queue takes the window's login for what is queued from now on. What
// was queued with another server goes on, on connections of its own, and
// the log says so; the queue view names that server beside each of them.
void QueueHookup::takeLogin(const HostInfo& host, const QString& profileName) {
    QueueLogin login;
    // Named as the saved profile it is (whatever the dialog's host box said).
    login.profileName = profileName;
    login.address = host.sAddr;
    login.user = host.sUser;
    login.password = host.sPW;
    login.protocol = host.protocol;
    // What the session trusts now: its next login (to another server,
    // perhaps) does not change what this one's transfers go on with.
    login.trust = std::make_shared<SessionTrust>(*m_session.runner().sharedTrust());
    login.session = m_session.runner().security();
    const QueueLogin left = m_queue.login();
    const bool sameServer = left.sameServer(login);
    m_queue.setLogin(login);
    if (sameServer)
        return;
    reportTransfersGoingOn(left);
    offerKeptQueue();
}

// The log says how many transfers go on with the server the window left.
void QueueHookup::reportTransfersGoingOn(const QueueLogin& left) {
    if (left.address.isEmpty())
        return;
    const QString leftKey = left.key();
    const auto goingOn = std::count_if(
        m_queue.items().begin(), m_queue.items().end(), [&leftKey](const TransferItem& item) {
            return item.loginKey == leftKey &&
                   (item.state == TransferState::Waiting || item.state == TransferState::Running);
        });
    if (goingOn == 0)
        return;
    m_parts.Txt_Status->append(
        goingOn == 1
            ? QStringLiteral("\r\n1 transfer with %1 goes on, on a connection of its own.")
                  .arg(left.shownName())
            : QStringLiteral("\r\n%1 transfers with %2 go on, on connections of their own.")
                  .arg(goingOn)
                  .arg(left.shownName()));
}

// What was left unfinished with this server (last time, or kept for later
// since) is offered; whatever the answer, the store holds it at once.
void QueueHookup::offerKeptQueue() {
    m_keeper->readKept(m_queue.login());
    std::vector<TransferItem> kept = m_queue.takeKeptAside(m_queue.loginKey());
    if (kept.empty())
        return;
    const QString question =
        kept.size() == 1
            ? QStringLiteral("1 transfer with %2 was left unfinished last time. Continue it?\n\n"
                             "No forgets it; Cancel keeps it for later.")
            : QStringLiteral("%1 transfers with %2 were left unfinished last time. Continue "
                             "them?\n\nNo forgets them; Cancel keeps them for later.")
                  .arg(kept.size());
    const Prompter::Answer answer = m_prompter.askYesNoCancel(
        question.arg(m_queue.login().shownName()), Titles::Caption, Prompter::Answer::Yes);
    if (answer == Prompter::Answer::Yes)
        m_queue.restore(kept);
    else if (answer == Prompter::Answer::Cancel)
        m_queue.keepAside(std::move(kept));
    saveQueue();
}

void QueueHookup::saveQueue() {
    m_keeper->saveNow();
}

// Quitting stops what moves and keeps it for the next time, but only once
// the user said so; Enter and Escape keep tarlen open.
bool QueueHookup::mayQuitTransfers() {
    const bool paused = m_queue.controls().paused();
    const auto moving = std::count_if(m_queue.items().begin(), m_queue.items().end(),
                                      [paused](const TransferItem& item) {
                                          return item.state == TransferState::Running ||
                                                 (item.state == TransferState::Waiting && !paused);
                                      });
    if (moving == 0)
        return true;
    const QString text =
        moving == 1 ? QStringLiteral("1 transfer is running: quit and continue it next time?")
                    : QStringLiteral("%1 transfers are running: quit and continue them next time?")
                          .arg(moving);
    const QStringList buttons{QStringLiteral("Quit"), QStringLiteral("Cancel")};
    return m_prompter.choose(text, Titles::Caption, Prompter::Icon::None, buttons, 1, 1) == 0;
}
