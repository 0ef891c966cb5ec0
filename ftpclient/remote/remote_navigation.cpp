// Moving about the remote tree: the directory reported at login, entering
// and leaving directories, and listing again with the pattern.
#include "connection/tarlen_frm.h"

#include <vantel/vantelctrl.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

short TARLEN_Frm::ShowDir() {
    QString reply;
    for (QString part = m_inet1->GetChunk(1024); !part.isEmpty(); part = m_inet1->GetChunk(1024)) {
        QCoreApplication::processEvents();
        setBusyPointer(true);
        reply += part;
    }
    setBusyPointer(false);
    // The current directory always ends with "/", so that names and
    // patterns can be appended to it; the root stays as the server said.
    sRemoteDir = reply.endsWith(u'/') ? reply : reply + u'/';
    Lbl_Dir->setText(shownRemote(sRemoteDir));
    sRootDir = reply;
    return 0;
}

void TARLEN_Frm::openRemoteDirectory() {
    if (!m_inet1 || m_inet1->StillExecuting())
        return;
    if (!sRemoteDir.endsWith(u'/'))
        sRemoteDir += u'/';
    const QListWidgetItem* item = Lst_Remote_Dir->currentItem();
    const QString sel =
        item && item->isSelected() ? item->data(Qt::UserRole).toString() : QString();
    if (sRemoteDir.size() > sRootDir.size() + 1 && sel == u"../") {
        // Up one level, keeping the trailing "/": /pub/docs/ becomes /pub/.
        const qsizetype slash = sRemoteDir.lastIndexOf(u'/', sRemoteDir.size() - 2);
        if (slash >= 0)
            sRemoteDir.truncate(slash + 1);
    } else if (sel != u"./" && sel != u"../") {
        sRemoteDir += sel;
    }
    Lbl_Dir->setText(shownRemote(sRemoteDir));
    runCommand(LastCommand::Listing, QStringLiteral("LS ") + sRemoteDir + Txt_Pattern[1]->text());
}

void TARLEN_Frm::Lst_Remote_Dir_DblClick() {
    try {
        openRemoteDirectory();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "), std::current_exception());
    }
}

void TARLEN_Frm::Cmd_Refresh_Click(int index) {
    try {
        if (index == 0)
            refreshLocal();
        else
            openRemoteDirectory();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "), std::current_exception());
    }
}

void TARLEN_Frm::Txt_Pattern_GotFocus(int index) {
    Txt_Pattern[size_t(index)]->selectAll();
}

void TARLEN_Frm::Txt_Pattern_KeyPress(int index, short& KeyAscii) {
    if (KeyAscii != 13)
        return;
    KeyAscii = 0;
    try {
        if (index == 0) {
            refreshLocal();
            return;
        }
        // A command still running completes as what it is; the listing
        // follows it.
        const QString path = sRemoteDir + Txt_Pattern[1]->text();
        if (m_inet1 && m_inet1->StillExecuting())
            WaitResp();
        runCommand(LastCommand::Listing, QStringLiteral("LS ") + path);
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "), std::current_exception());
    }
}

void TARLEN_Frm::Cmd_Files_Click(int index) {
    switch (index) {
    case 0:
        bLocalNameDesc = !bLocalNameDesc;
        iSortKey = 0;
        break;
    case 1:
        bLocalDateDesc = !bLocalDateDesc;
        iSortKey = 1;
        break;
    case 2:
        bLocalSizeDesc = !bLocalSizeDesc;
        iSortKey = 2;
        break;
    case 3:
        bRemoteNameDesc = !bRemoteNameDesc;
        break;
    default:
        break;
    }
    const int pane = index < 3 ? 0 : 1;
    if (pane == 0) {
        short key = short(index);
        sort_files(key);
    } else {
        Load_FilesR();
    }
    CVantelCtrl* list = LstX_Files[size_t(pane)];
    list->setFocus(Qt::OtherFocusReason);
    if (list->ListCount() > 0)
        list->SetListIndex(0);
}
