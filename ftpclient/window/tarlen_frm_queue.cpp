// The transfer queue in the window: its lines in the log, the panes
// refreshed as files arrive in the directories they show, and the queue kept
// across runs for each login.
#include "tarlen_frm.h"

#include "common/prompter.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "queue_panel.h"
#include "queue_store.h"
#include "remote_session.h"
#include "status_log.h"
#include "transfer_progress.h"
#include "transfer_queue.h"

#include <QTimer>

#include <algorithm>

namespace {

// Arrivals come in bursts: a pane is read again at most this often.
constexpr int kRefreshMs = 500;
constexpr int kSaveMs = 1000;

QTimer* singleShotTimer(QObject* parent, int ms) {
    auto* timer = new QTimer(parent);
    timer->setSingleShot(true);
    timer->setInterval(ms);
    return timer;
}

} // namespace

void TARLEN_Frm::connectQueue() {
    TransferQueue& q = *m_queue;
    m_queueSaveTimer = singleShotTimer(this, kSaveMs);
    m_localRefreshTimer = singleShotTimer(this, kRefreshMs);
    m_remoteRefreshTimer = singleShotTimer(this, kRefreshMs);
    connect(m_queueSaveTimer, &QTimer::timeout, this, &TARLEN_Frm::saveQueue);
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
    connect(&q, &TransferQueue::contentChanged, m_queueSaveTimer, qOverload<>(&QTimer::start));
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

// The queue follows the window's login. What was queued for another server
// is kept for the next login there.
void TARLEN_Frm::takeQueueLogin(const HostInfo& host) {
    QueueLogin login;
    login.profileName = host.sName;
    login.address = host.sAddr;
    login.user = host.sUser;
    login.password = host.sPW;
    login.protocol = host.protocol;
    login.trust = m_session->sharedTrust();
    login.session = m_session->security();
    const bool sameServer = m_queue->login().sameServer(login);
    if (!sameServer && !m_queue->items().empty()) {
        m_queue->stopAll();
        saveQueue();
        m_queue->clear();
    }
    m_queue->setLogin(login);
    if (!sameServer)
        offerKeptQueue();
}

void TARLEN_Frm::offerKeptQueue() {
    const QString key = m_queue->login().key();
    std::vector<TransferItem> kept = m_queueStore->load(key);
    if (kept.empty())
        return;
    const QString name = m_queue->login().profileName.isEmpty() ? m_queue->login().address
                                                                : m_queue->login().profileName;
    const Prompter::Answer answer = m_prompter.askYesNoCancel(
        QStringLiteral("%1 transfers with %2 were left unfinished last time. Continue them?\n\n"
                       "No forgets them; Cancel keeps them for later.")
            .arg(kept.size())
            .arg(name),
        Caption, Prompter::Answer::Yes);
    if (answer == Prompter::Answer::Yes)
        m_queue->restore(kept);
    else if (answer == Prompter::Answer::No)
        m_queueStore->forget(key);
}

void TARLEN_Frm::saveQueue() {
    if (m_queue->login().address.isEmpty())
        return;
    QString error;
    if (!m_queueStore->save(m_queue->login().key(), m_queue->unfinished(), &error))
        Txt_Status->append(QStringLiteral("\r\nThe transfer queue could not be kept: ") + error);
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
