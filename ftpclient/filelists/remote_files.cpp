// Filling the remote file list from the remote file names.
#include "connection/tarlen_frm.h"
#include "extension_rule.h"
#include "raw_names.h"

#include <vantel/vantelctrl.h>

#include <QPushButton>

#include <stdexcept>

void TARLEN_Frm::Load_FilesR() {
    CVantelCtrl* list = LstX_Files[1];
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
        list->SetItemImage(p, Img_Icons[size_t(kind.icon)]);
        if (kind.color >= 0)
            list->SetItemForeColor(p, kind.color);
    }
    Cmd_Files[3]->setIcon(bRemoteNameDesc ? Img_Arrow[0] : Img_Arrow[1]);
}

QString TARLEN_Frm::remoteName(int row) const {
    const int index = LstX_Files[1]->ItemData(row);
    if (index < 0 || index >= Lst_Remote.count())
        throw std::runtime_error("The remote list entry no longer names a file.");
    return Lst_Remote.text(index);
}

QString TARLEN_Frm::shownRemote(const QString& name) {
    return RawName::shownAsLatin1(name);
}

QString TARLEN_Frm::shownLocal(const QString& name) {
    return RawName::shownWithMarks(name);
}
