// The transfer queue in the window: its lines in the log, the panes
// refreshed as files arrive in the directories they show, and the queue kept
// across runs for each login.
#include "tarlen_frm.h"

#include "common/prompter.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "queue_keeper.h"
#include "queue_panel.h"
#include "remote_session.h"
#include "session_trust.h"
#include "status_log.h"
#include "transfer_progress.h"
#include "transfer_queue.h"

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

void TARLEN_Frm::connectQueue() {
    TransferQueue& q = *m_queue;
    m_localRefreshTimer = singleShotTimer(this, kRefreshMs);
    m_remoteRefreshTimer = singleShotTimer(this, kRefreshMs);
    connect(m_queueKeeper.get(), &QueueKeeper::failed, this, [this](const QString& error) {
        Txt_Status->append(QStringLiteral("\r\nThe transfer queue could not be kept: ") + error);
    });
    connect(m_localRefreshTimer, &QTimer::timeout, localPane, &LocalPane::refreshKeepingView);
    connect(m_remoteRefreshTimer, &QTimer::timeout, this, [this] {
        // A command of the window's own runs: the listing waits for it.
        if (m_session->busy())
            m_remoteRefreshTimer->start();
        else
            remotePane->refreshKeepingView();
    });
    connect(&q, &TransferQueue::logLine, this, [this](const QString& text) {
        Txt_Status->append(text);
        Txt_Status->cutToLimit();
    });
    connect(&q, &TransferQueue::localFileArrived, this, [this](const QString& folder) {
        if (folder == localPane->localDirectory())
            refreshPanesSoon(true);
    });
    connect(&q, &TransferQueue::remoteFileArrived, this, [this](const QString& folder) {
        if (m_session->bConnected && folder == remotePane->remoteDirectory())
            refreshPanesSoon(false);
    });
    connect(&q, &TransferQueue::totalsChanged, this, &TARLEN_Frm::followRunningFile);
}

// The progress display under the log follows the first file on its way.
void TARLEN_Frm::followRunningFile() {
    const auto& items = m_queue->items();
    const auto running = std::find_if(items.begin(), items.end(), [](const TransferItem& item) {
        return item.state == TransferState::Running && !item.folder;
    });
    if (running == items.end()) {
        if (Progress->active())
            Progress->end();
        return;
    }
    if (!Progress->active() || Progress->nameText() != running->name())
        Progress->begin(running->name());
    Progress->update(running->done, running->size);
}

void TARLEN_Frm::refreshPanesSoon(bool local) {
    QTimer* timer = local ? m_localRefreshTimer : m_remoteRefreshTimer;
    if (!timer->isActive())
        timer->start();
}

// The queue takes the window's login for what is queued from now on. What
// was queued with another server goes on, on connections of its own, and
// the log says so; the queue view names that server beside each of them.
void TARLEN_Frm::takeQueueLogin(const HostInfo& host) {
    QueueLogin login;
    // Named as the saved profile it is (whatever the dialog's host box said).
    const int profile = profileOf(host);
    login.profileName = profile >= 0 ? profiles.Hosts[profile].sName : QString();
    login.address = host.sAddr;
    login.user = host.sUser;
    login.password = host.sPW;
    login.protocol = host.protocol;
    // What the session trusts now: its next login (to another server,
    // perhaps) does not change what this one's transfers go on with.
    login.trust = std::make_shared<SessionTrust>(*m_session->sharedTrust());
    login.session = m_session->security();
    const QueueLogin left = m_queue->login();
    const bool sameServer = left.sameServer(login);
    m_queue->setLogin(login);
    if (sameServer)
        return;
    reportTransfersGoingOn(left);
    offerKeptQueue();
}

// The log says how many transfers go on with the server the window left.
void TARLEN_Frm::reportTransfersGoingOn(const QueueLogin& left) {
    if (left.address.isEmpty())
        return;
    const QString leftKey = left.key();
    const auto goingOn = std::count_if(
        m_queue->items().begin(), m_queue->items().end(), [&leftKey](const TransferItem& item) {
            return item.loginKey == leftKey &&
                   (item.state == TransferState::Waiting || item.state == TransferState::Running);
        });
    if (goingOn == 0)
        return;
    Txt_Status->append(
        goingOn == 1
            ? QStringLiteral("\r\n1 transfer with %1 goes on, on a connection of its own.")
                  .arg(left.shownName())
            : QStringLiteral("\r\n%1 transfers with %2 go on, on connections of their own.")
                  .arg(goingOn)
                  .arg(left.shownName()));
}

// What was left unfinished with this server (last time, or kept for later
// since) is offered; whatever the answer, the store holds it at once.
void TARLEN_Frm::offerKeptQueue() {
    m_queueKeeper->readKept(m_queue->login());
    std::vector<TransferItem> kept = m_queue->takeKeptAside(m_queue->loginKey());
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
        question.arg(m_queue->login().shownName()), Caption, Prompter::Answer::Yes);
    if (answer == Prompter::Answer::Yes)
        m_queue->restore(kept);
    else if (answer == Prompter::Answer::Cancel)
        m_queue->keepAside(std::move(kept));
    saveQueue();
}

void TARLEN_Frm::saveQueue() {
    m_queueKeeper->saveNow();
}

// Quitting stops what moves and keeps it for the next time, but only once
// the user said so; Enter and Escape keep tarlen open.
bool TARLEN_Frm::mayQuitTransfers() {
    const bool paused = m_queue->paused();
    const auto moving = std::count_if(m_queue->items().begin(), m_queue->items().end(),
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
    return m_prompter.choose(text, Caption, Prompter::Icon::None, buttons, 1, 1) == 0;
}
