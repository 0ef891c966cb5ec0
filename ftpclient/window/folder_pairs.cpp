#include "folder_pairs.h"

#include "common/prompter.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "profile_pairs.h"
#include "raw_names.h"
#include "remote_session.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace {

const QString kTitle = QStringLiteral("Folder pairs");

// The same folder, written with or without its last "/".
bool sameFolder(const QString& a, const QString& b) {
    const auto bare = [](const QString& path) {
        return path.size() > 1 && path.endsWith(u'/') ? path.chopped(1) : path;
    };
    return bare(a) == bare(b);
}

// The last name of a folder's path, to offer as the pair's name.
QString lastName(const QString& folder) {
    const QString bare = folder.size() > 1 && folder.endsWith(u'/') ? folder.chopped(1) : folder;
    const QString name = bare.mid(bare.lastIndexOf(u'/') + 1);
    return name.isEmpty() ? bare : name;
}

// A name for the menu: one line, without blanks at either end.
QString cleanName(QString name) {
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    return name.trimmed().left(200);
}

QString describe(const FolderPair& pair) {
    return QStringLiteral("Local: %1\nServer: %2")
        .arg(RawName::shownWithMarks(pair.local), RawName::shownAsLatin1(pair.remote));
}

} // namespace

FolderPairs::FolderPairs(LocalPane& local, RemotePane& remote, RemoteSession& session,
                         Prompter& prompter, ProfileHooks profile, QMenu& menu)
    : QObject(&menu)
    , m_local(local)
    , m_remote(remote)
    , m_session(session)
    , m_prompter(prompter)
    , m_profile(std::move(profile))
    , m_menu(menu) {
    m_menu.setToolTipsVisible(true);
    connect(&m_menu, &QMenu::aboutToShow, this, &FolderPairs::refill);
    refill();
}

QString FolderPairs::unavailableReason() const {
    if (!m_session.connected())
        return QStringLiteral("Connect to a server first: folder pairs are kept with the "
                              "profile you connect with.");
    if (!m_profile.current || !m_profile.current())
        return QStringLiteral("This connection is not a saved profile: save it in the connect "
                              "dialog to keep folder pairs with it.");
    return QString();
}

void FolderPairs::refill() {
    m_menu.clear();
    const QString reason = unavailableReason();
    QAction* keepAction = m_menu.addAction(QStringLiteral("&Keep these folders as a pair..."), this,
                                           &FolderPairs::keepShown);
    keepAction->setEnabled(reason.isEmpty());
    keepAction->setToolTip(reason.isEmpty()
                               ? QStringLiteral("Keeps the two folders the panes show with the "
                                                "profile, to open them together later.")
                               : reason);
    const HostInfo* profile = reason.isEmpty() ? m_profile.current() : nullptr;
    if (!profile || profile->folderPairs.isEmpty())
        return;
    m_menu.addSeparator();
    QMenu* removeMenu = new QMenu(QStringLiteral("&Remove a pair"), &m_menu);
    for (int n = 0; n < profile->folderPairs.size(); ++n) {
        const FolderPair& pair = profile->folderPairs[n];
        QAction* openAction = m_menu.addAction(pair.name, this, [this, n] { open(n); });
        openAction->setToolTip(describe(pair));
        removeMenu->addAction(pair.name, this, [this, n] { remove(n); });
    }
    m_menu.addSeparator();
    m_menu.addMenu(removeMenu);
}

void FolderPairs::keepShown() {
    if (const QString reason = unavailableReason(); !reason.isEmpty()) {
        m_prompter.message(reason, kTitle, Prompter::Icon::Warning);
        return;
    }
    HostInfo& profile = *m_profile.current();
    FolderPair pair{QString(), m_local.localDirectory(), m_session.currentDirectory()};
    if (const QString why = unstorablePairReason(pair); !why.isEmpty()) {
        m_prompter.message(why, kTitle, Prompter::Icon::Warning);
        return;
    }
    pair.name = cleanName(
        m_prompter.input(QStringLiteral("A name for these two folders:\n\n%1").arg(describe(pair)),
                         kTitle, lastName(pair.remote)));
    if (pair.name.isEmpty())
        return;
    const auto same = std::find_if(profile.folderPairs.begin(), profile.folderPairs.end(),
                                   [&](const FolderPair& kept) { return kept.name == pair.name; });
    if (same != profile.folderPairs.end()) {
        if (m_prompter.askYesNoCancel(
                QStringLiteral("A pair named \"%1\" is kept already. Replace it?").arg(pair.name),
                kTitle, Prompter::Answer::No) != Prompter::Answer::Yes)
            return;
        *same = pair;
    } else if (profile.folderPairs.size() >= kMaxFolderPairs) {
        m_prompter.message(QStringLiteral("A profile keeps at most %1 folder pairs. Remove one "
                                          "first.")
                               .arg(kMaxFolderPairs),
                           kTitle, Prompter::Icon::Warning);
        return;
    } else {
        profile.folderPairs.append(pair);
    }
    keep();
}

void FolderPairs::open(int index) {
    if (const QString reason = unavailableReason(); !reason.isEmpty()) {
        m_prompter.message(reason, kTitle, Prompter::Icon::Warning);
        return;
    }
    const HostInfo& profile = *m_profile.current();
    if (index < 0 || index >= profile.folderPairs.size())
        return;
    const FolderPair pair = profile.folderPairs[index];
    openRemote(pair.remote);
    if (!QFileInfo(pair.local).isDir() || !m_local.setLocalPath(pair.local))
        m_prompter.message(QStringLiteral("The local folder %1 of the pair \"%2\" cannot be "
                                          "opened; it may no longer exist.")
                               .arg(RawName::shownWithMarks(pair.local), pair.name),
                           kTitle, Prompter::Icon::Warning);
}

// The pane lists the folder, or, when the server cannot, the one it showed
// before: the first listing after asking tells which.
void FolderPairs::openRemote(const QString& folder) {
    if (m_session.runner().busy()) {
        m_prompter.message(QStringLiteral("The server is busy; the server's folder of the pair "
                                          "is not opened. Try again when it is done."),
                           kTitle, Prompter::Icon::Warning);
        return;
    }
    auto* watch = new QObject(this);
    connect(&m_remote, &FilePane::listFilled, watch, [this, watch, folder] {
        watch->deleteLater();
        if (!sameFolder(m_session.currentDirectory(), folder))
            m_prompter.message(QStringLiteral("The server's folder %1 cannot be opened; it may "
                                              "no longer exist.")
                                   .arg(RawName::shownAsLatin1(folder)),
                               kTitle, Prompter::Icon::Warning);
    });
    connect(&m_session, &RemoteSession::disconnected, watch, &QObject::deleteLater);
    m_remote.openDirectory(folder);
}

void FolderPairs::remove(int index) {
    HostInfo* profile = m_profile.current ? m_profile.current() : nullptr;
    if (!profile || index < 0 || index >= profile->folderPairs.size())
        return;
    const FolderPair& pair = profile->folderPairs[index];
    if (m_prompter.askYesNoCancel(QStringLiteral("Remove the folder pair \"%1\"? The folders "
                                                 "themselves stay as they are.\n\n%2")
                                      .arg(pair.name, describe(pair)),
                                  kTitle, Prompter::Answer::No) != Prompter::Answer::Yes)
        return;
    profile->folderPairs.removeAt(index);
    keep();
}

void FolderPairs::keep() {
    if (m_profile.keep)
        m_profile.keep();
}
