// The remote pane: its controls, the listing into its lists, and moving
// about the remote tree.
#include "remote_pane.h"

#include "common/client_errors.h"
#include "common/twips_geometry.h"
#include "extension_rule.h"
#include "file_images.h"
#include "raw_names.h"
#include "remote_session.h"

#include <vantel/vantelctrl.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <stdexcept>

RemotePane::RemotePane(RemoteSession& session, const FileImages& images, Prompter& prompter,
                       TwipsGeometry& twips, QWidget* parent)
    : FilePane(1, images, prompter, twips, parent)
    , m_session(session) {
    createRemoteLists();
}

void RemotePane::createRemoteLists() {
    Lbl_Dir = new QLabel(this);
    Lbl_Dir->setToolTip(QStringLiteral("Current remote directory"));
    Lst_Remote_Dir = new QListWidget(this);
    Lst_Remote_Dir->setToolTip(
        QStringLiteral("Remote Directories (Dbl-Click to switch directories)"));
    m_twips.place(Lbl_Dir, 135, 240, 4305, 255);
    m_twips.place(Lst_Remote_Dir, 135, 540, 4305, 1500);
    m_twips.place(Cmd_Files[0], 135, 2100, 4305, 255);
    m_twips.place(Cmd_Files[1], 135, 2100, 1000, 255);
    m_twips.place(Cmd_Files[2], 1200, 2100, 1000, 255);
    // Remote entries carry names only: of the three sort buttons, Name shows.
    Cmd_Files[1]->hide();
    Cmd_Files[2]->hide();
    connect(Lst_Remote_Dir, &QListWidget::itemDoubleClicked, this,
            [this] { Lst_Remote_Dir_DblClick(); });
    connect(&m_session, &RemoteSession::listingRead, this,
            [this](const SharedListing& listing) { ShowRemoteFileList(listing); });
    connect(&m_session, &RemoteSession::directoryChanged, this, &RemotePane::showDirectory);
}

void RemotePane::showDirectory(const QString& directory) {
    Lbl_Dir->setText(shownRemote(directory));
}

// Nothing here lets the event loop run: no click ever acts on lists half
// rebuilt.
int RemotePane::ShowRemoteFileList(const SharedListing& listing) {
    try {
        Lst_Remote_Dir->clear();
        Lst_Remote.clear();
        auto* parent = new QListWidgetItem(QStringLiteral("../"), Lst_Remote_Dir);
        parent->setData(Qt::UserRole, QStringLiteral("../"));
        if (listing) {
            for (const RemoteEntry& dir : listing->directories) {
                auto* item = new QListWidgetItem(shownRemote(dir.name) + u'/', Lst_Remote_Dir);
                item->setData(Qt::UserRole, dir.name + u'/');
            }
            std::vector<WorkList::Line> lines;
            lines.reserve(listing->files.size());
            for (const RemoteEntry& file : listing->files)
                lines.push_back({file.name, 0});
            Lst_Remote.assignInOrder(std::move(lines));
        }
        Load_FilesR();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "));
    }
    return 0;
}

void RemotePane::Load_FilesR() {
    CVantelCtrl* list = LstX_Files;
    list->Clear();
    list->SetImageOffset(4);
    list->SetTextOffset(24);
    // Descending order is the exact reverse of the names' order; appending
    // them from the last gives the same list as inserting each at the top,
    // without moving every entry already there.
    const int count = Lst_Remote.count();
    for (int j = 0; j < count; ++j) {
        const int i = bRemoteNameDesc ? count - 1 - j : j;
        const QString name = Lst_Remote.text(i);
        const int p = list->AddItem(shownRemote(name), -1);
        list->SetItemData(p, i);
        const FileKind kind = extensionKind(name, Pane::Remote);
        list->SetItemImage(p, m_images.Img_Icons[size_t(kind.icon)]);
        if (kind.color >= 0)
            list->SetItemForeColor(p, kind.color);
    }
    Cmd_Files[0]->setIcon(bRemoteNameDesc ? m_images.Img_Arrow[0] : m_images.Img_Arrow[1]);
}

void RemotePane::clear() {
    LstX_Files->Clear();
    Lst_Remote.clear();
    Lst_Remote_Dir->clear();
    Lbl_Dir->clear();
}

QString RemotePane::remoteName(int row) const {
    const int index = LstX_Files->ItemData(row);
    if (index < 0 || index >= Lst_Remote.count())
        throw std::runtime_error("The remote list entry no longer names a file.");
    return Lst_Remote.text(index);
}

QString RemotePane::remoteDirectory() const {
    const QString& dir = m_session.sRemoteDir;
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

QString RemotePane::shownRemote(const QString& name) {
    return RawName::shownAsLatin1(name);
}

void RemotePane::openRemoteDirectory() {
    if (m_session.busy() || !m_session.Inet1())
        return;
    QString& dir = m_session.sRemoteDir;
    if (!dir.endsWith(u'/'))
        dir += u'/';
    const QListWidgetItem* item = Lst_Remote_Dir->currentItem();
    const QString sel =
        item && item->isSelected() ? item->data(Qt::UserRole).toString() : QString();
    if (dir.size() > m_session.sRootDir.size() + 1 && sel == u"../") {
        // Up one level, keeping the trailing "/": /pub/docs/ becomes /pub/.
        const qsizetype slash = dir.lastIndexOf(u'/', dir.size() - 2);
        if (slash >= 0)
            dir.truncate(slash + 1);
    } else if (sel != u"./" && sel != u"../") {
        dir += sel;
    }
    showDirectory(dir);
    m_session.runCommand(LastCommand::Listing,
                         FtpCommand::list(QStringLiteral("LS"), dir + Txt_Pattern->text()));
}

void RemotePane::Lst_Remote_Dir_DblClick() {
    try {
        openRemoteDirectory();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "));
    }
}

void RemotePane::Cmd_Refresh_Click() {
    Lst_Remote_Dir_DblClick();
}

// A command still running completes as what it is; the listing follows it.
void RemotePane::listWithPattern() {
    const QString path = m_session.sRemoteDir + Txt_Pattern->text();
    if (m_session.busy())
        m_session.WaitResp();
    m_session.runCommand(LastCommand::Listing, FtpCommand::list(QStringLiteral("LS"), path));
}

void RemotePane::listAgain() {
    m_session.runCommand(
        LastCommand::Listing,
        FtpCommand::list(QStringLiteral("DIR"), m_session.sRemoteDir + Txt_Pattern->text()));
}

void RemotePane::Cmd_Files_Click(int index) {
    if (index == 3)
        bRemoteNameDesc = !bRemoteNameDesc;
    Load_FilesR();
    LstX_Files->setFocus(Qt::OtherFocusReason);
    if (LstX_Files->ListCount() > 0)
        LstX_Files->SetListIndex(0);
}
