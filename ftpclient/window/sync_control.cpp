#include "sync_control.h"

#include "common/prompter.h"
#include "dry_run.h"
#include "panes/file_pane.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "sync_dialog.h"
#include "sync_items.h"
#include "sync_preview_model.h"
#include "transfer_queue.h"
#include "verdict_look.h"
#include "window_dialogs.h"
#include "window_parts.h"

#include <QDateTime>
#include <QPushButton>
#include <QSaveFile>

namespace {

const QString kTitle = QStringLiteral("tarlen");

QColor tintOf(Verdict verdict, bool containsDifferences) {
    switch (verdict) {
    case Verdict::Same:
        return containsDifferences ? QColor(0xff, 0xf0, 0xb0) : QColor(0xe4, 0xf2, 0xe4);
    case Verdict::OnlyLocal:
    case Verdict::NewerLocal:
        return QColor(0xcc, 0xe0, 0xff);
    case Verdict::OnlyRemote:
    case Verdict::NewerRemote:
        return QColor(0xff, 0xdc, 0xb8);
    case Verdict::SizeDiffers:
    case Verdict::ContentsDiffer:
        return QColor(0xff, 0xf0, 0xb0);
    case Verdict::Problem:
        break;
    }
    return QColor(0xff, 0xc8, 0xc8);
}

// The folder `shown` below `root`: "" for the root itself, nothing when it
// lies elsewhere.
std::optional<QString> below(const QString& root, const QString& shown) {
    const QString base = root.endsWith(u'/') ? root.chopped(1) : root;
    if (shown == root || shown == base || (shown == u"/" && base.isEmpty()))
        return QString();
    const QString head = base + u'/';
    if (!shown.startsWith(head))
        return std::nullopt;
    QString rest = shown.mid(head.size());
    if (rest.endsWith(u'/'))
        rest.chop(1);
    return rest;
}

} // namespace

SyncControl::SyncControl(QWidget& window, const WindowParts& parts, RemoteSession& session,
                         TransferQueue& queue, Prompter& prompter, WindowDialogs& dialogs)
    : m_window(window)
    , m_parts(parts)
    , m_session(session)
    , m_queue(queue)
    , m_prompter(prompter)
    , m_dialogs(dialogs) {
    connect(&m_comparison, &FolderComparison::finished, this, &SyncControl::comparisonFinished);
    connect(&m_comparison, &FolderComparison::progress, this, &SyncControl::showProgress);
    connect(&m_comparison, &FolderComparison::contentProgress, this, [this](int done, int files) {
        if (m_dialog && m_forPreview)
            m_dialog->setStatus(QStringLiteral("Comparing contents: %1 of %2 files so far...")
                                    .arg(done)
                                    .arg(files));
    });
    // The marks follow the panes into other folders.
    connect(m_parts.localPane, &FilePane::listFilled, this,
            [this] { followPane(*m_parts.localPane, m_comparison.request().localRoot); });
    connect(m_parts.remotePane, &FilePane::listFilled, this,
            [this] { followPane(*m_parts.remotePane, m_comparison.request().remoteRoot); });
    connect(&m_session, &RemoteSession::disconnected, this, [this] {
        m_comparison.cancel();
        clearMarks();
    });
}

SyncControl::~SyncControl() = default;

void SyncControl::Act_Compare_Click() {
    if (m_marksShown) {
        clearMarks();
        return;
    }
    if (!canCompare())
        return;
    m_forPreview = false;
    compare(m_dialog ? m_dialog->options() : SyncOptions(),
            m_dialog ? m_dialog->offsetMinutes() : profileClock());
}

void SyncControl::Act_Synchronise_Click() {
    if (!canCompare())
        return;
    if (!m_dialog) {
        m_dialog = new SyncDialog(&m_window);
        m_dialog->setWindowFlag(Qt::Window);
        connect(m_dialog, &SyncDialog::previewWanted, this, [this] {
            if (!canCompare())
                return;
            m_forPreview = true;
            m_dialog->setBusy(true);
            keepClock(m_dialog->offsetMinutes());
            m_dialog->setStatus(m_dialog->clockByUpload()
                                    ? QStringLiteral("Uploading a file to find out the server's "
                                                     "clock, then reading both folders...")
                                    : QStringLiteral("Reading both folders..."));
            compare(m_dialog->options(), m_dialog->offsetMinutes(), m_dialog->clockByUpload());
        });
        connect(m_dialog, &SyncDialog::startWanted, this, &SyncControl::startSync);
        connect(m_dialog, &SyncDialog::dryRunWanted, this, &SyncControl::writeDryRun);
    }
    if (!m_dialog->isVisible())
        m_dialog->setOffsetMinutes(profileClock());
    m_dialog->setFolders(m_parts.localPane->localDirectory(), m_session.currentDirectory());
    m_dialog->show();
    m_dialog->raise();
}

void SyncControl::setHidingSame(bool hide) {
    for (FilePane* pane : m_parts.Frm_Local)
        pane->setHidingSame(hide);
}

bool SyncControl::canCompare() {
    if (m_session.connected() && !m_queue.login().address.isEmpty())
        return true;
    m_prompter.message(QStringLiteral("Connect to a server first: folders are compared with the "
                                      "folder the server's pane shows."),
                       kTitle, Prompter::Icon::Warning);
    return false;
}

std::optional<int> SyncControl::profileClock() const {
    const HostInfo* profile = m_profile.current ? m_profile.current() : nullptr;
    return profile ? profile->clockMinutes : std::nullopt;
}

// A clock the user set (or found out) is kept with the profile, whose next
// comparison starts from it.
void SyncControl::keepClock(std::optional<int> minutes) {
    HostInfo* profile = m_profile.current ? m_profile.current() : nullptr;
    if (!profile || profile->clockMinutes == minutes)
        return;
    profile->clockMinutes = minutes;
    if (m_profile.keep)
        m_profile.keep();
}

void SyncControl::compare(const SyncOptions& options, std::optional<int> offsetMinutes,
                          bool clockByUpload) {
    FolderComparison::Request request;
    request.login = m_queue.login();
    request.localRoot = m_parts.localPane->localDirectory();
    request.remoteRoot = m_session.currentDirectory();
    request.options = options;
    request.connections = m_queue.parallel();
    if (offsetMinutes)
        request.offsetSeconds = qint64(*offsetMinutes) * 60;
    request.clockByUpload = clockByUpload;
    if (m_dialog)
        m_dialog->setFolders(request.localRoot, request.remoteRoot);
    m_comparison.start(request);
}

void SyncControl::showProgress(int folders, qint64 entries) {
    if (m_dialog && m_forPreview)
        m_dialog->setStatus(QStringLiteral("Reading both folders: %1 folders, %2 entries on the "
                                           "server so far...")
                                .arg(folders)
                                .arg(entries));
}

void SyncControl::comparisonFinished() {
    m_marksShown = true;
    markPane(*m_parts.localPane, m_comparison.request().localRoot);
    markPane(*m_parts.remotePane, m_comparison.request().remoteRoot);
    const ServerClock& clock = m_comparison.clock();
    if (m_dialog && m_forPreview) {
        // Found out once by writing to the server, the clock is set from
        // then on, and kept with the profile.
        if (clock.source == ServerClock::Source::Uploaded) {
            m_dialog->setOffsetMinutes(int(clock.offsetSeconds / 60));
            m_dialog->setClockByUpload(false);
            keepClock(int(clock.offsetSeconds / 60));
        }
        m_dialog->setPlan(m_comparison.plan());
        m_dialog->setBusy(false);
        m_dialog->setStatus(clockText());
    }
    emit compared();
}

QString SyncControl::clockText() const {
    const ServerClock& clock = m_comparison.clock();
    QString text =
        clock.source == ServerClock::Source::Unknown
            ? QStringLiteral(
                  "The server's clock could not be found out; its times are taken as UTC.")
            : QStringLiteral("The server's times are %1 minutes ahead of UTC.")
                  .arg(clock.offsetSeconds / 60);
    if (clock.source == ServerClock::Source::Uploaded)
        text += QStringLiteral(" Found out from a file tarlen uploaded and deleted again.");
    if (!m_comparison.clockProblem().isEmpty())
        text = m_comparison.clockProblem() + u' ' + text;
    return text;
}

void SyncControl::markPane(FilePane& pane, const QString& root) {
    const QString shown = pane.shownFolder();
    EntryMarks marks;
    marks.folder = shown;
    const std::optional<QString> relative = below(root, shown);
    if (relative) {
        const auto folder = m_comparison.tree().constFind(*relative);
        if (folder != m_comparison.tree().cend())
            marks = marksOf(*folder, &pane == m_parts.localPane);
        marks.folder = shown;
    }
    pane.setMarks(marks);
}

void SyncControl::followPane(FilePane& pane, const QString& root) {
    if (m_marksShown && pane.marks().folder != pane.shownFolder())
        markPane(pane, root);
}

void SyncControl::clearMarks() {
    m_marksShown = false;
    for (FilePane* pane : m_parts.Frm_Local)
        pane->setMarks({});
}

EntryMarks SyncControl::marksOf(const ComparedFolder& folder, bool local) const {
    EntryMarks marks;
    for (const ComparedEntry& entry : folder.entries) {
        if (local ? !entry.localPresent : !entry.remotePresent)
            continue;
        const VerdictLook look = verdictLook(entry.verdict, entry.containsDifferences);
        EntryMark mark{look.mark, tintOf(entry.verdict, entry.containsDifferences), look.word,
                       entry.verdict == Verdict::Same && !entry.containsDifferences};
        if (!entry.problem.isEmpty())
            mark.meaning += QStringLiteral(": ") + entry.problem;
        else if (!entry.contentNote.isEmpty())
            mark.meaning += QStringLiteral(": ") + entry.contentNote;
        (entry.folder ? marks.folders : marks.files).insert(entry.name, mark);
    }
    return marks;
}

// What the preview showed is what is queued, with the login it was made
// with: a preview of another server's folder is never started here.
void SyncControl::startSync() {
    const FolderComparison::Request& request = m_comparison.request();
    if (!m_queue.login().sameServer(request.login)) {
        m_prompter.message(QStringLiteral("The preview was made on another server or account. "
                                          "Press Preview again."),
                           kTitle, Prompter::Icon::Warning);
        return;
    }
    const QString group =
        QStringLiteral("sync-%1-%2").arg(QDateTime::currentMSecsSinceEpoch()).arg(++m_syncs);
    std::vector<TransferItem> items =
        queueItemsFor(m_dialog->plan(), request.localRoot, request.remoteRoot, group);
    if (items.empty()) {
        m_dialog->setStatus(QStringLiteral("Nothing is ticked."));
        return;
    }
    m_session.log(QStringLiteral("\r\nSynchronising: %1 actions queued").arg(items.size()));
    m_queue.addPlanned(std::move(items));
    m_dialog->setPlan(SyncPlan());
    m_dialog->setStatus(QStringLiteral("Queued."));
}

void SyncControl::writeDryRun() {
    const QString path = m_dialogs.chooseDryRunFile
                             ? m_dialogs.chooseDryRunFile(QStringLiteral("synchronise.txt"))
                             : QString();
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    const QByteArray text = dryRunText(m_dialog->plan()).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        m_prompter.message(
            QStringLiteral("The list could not be written to %1: %2").arg(path, file.errorString()),
            kTitle, Prompter::Icon::Warning);
        return;
    }
    m_dialog->setStatus(QStringLiteral("The list is written to %1.").arg(path));
}
