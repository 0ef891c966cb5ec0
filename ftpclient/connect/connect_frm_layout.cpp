// The connect dialog's controls in the boxes of its design, moved and
// widened just enough that every caption shows whole in the dialog's font.
#include "connect_frm.h"

#include "common/text_room.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

int widest(const QList<QWidget*>& controls) {
    int widest = 0;
    for (const QWidget* w : controls)
        widest = std::max(widest, textWidthNeeded(w));
    return widest;
}

void placeAcross(QWidget* w, int left, int width) {
    w->setGeometry(left, w->y(), width, w->height());
}

} // namespace

// The captions make a column on the left and the fields one beside it; the
// buttons follow each other from the fields' left edge, and the fields reach
// as far right as the widest row.
void Connect_Frm::fitToTexts() {
    const QList<QWidget*> captions{Lbl_Cap[0],   Lbl_Cap[1],  Lbl_Cap[2], Lbl_Cap[3],
                                   Lbl_Protocol, Lbl_KeyFile, Chk_PW};
    const QList<QWidget*> fields{Cmb_Host, Txt_Host, Txt_UI, Txt_PW, Cmb_Protocol, Lbl_Insecure};
    const QList<QWidget*> buttons{Cmd_Cancel, Cmd_Save, Cmd_Delete, Cmd_Connect};
    const int gap = Cmd_Save->x() - Cmd_Cancel->geometry().right() - 1;
    const int rightMargin = width() - Cmd_Connect->geometry().right() - 1;

    const int column = std::max(Txt_Host->x(), Lbl_Cap[0]->x() + widest(captions) + 4);
    for (QWidget* caption : captions)
        placeAcross(caption, caption->x(), std::max(caption->width(), textWidthNeeded(caption)));
    int left = column;
    for (QWidget* button : buttons) {
        placeAcross(button, left, std::max(button->width(), textWidthNeeded(button)));
        left += button->width() + gap;
    }
    const int browse = std::max(Cmd_KeyFile->width(), textWidthNeeded(Cmd_KeyFile));
    const int right =
        std::max({column + Txt_Host->width(), left - gap, column + textWidthNeeded(Lbl_Insecure),
                  column + Txt_KeyFile->width() + gap + browse,
                  Lbl_PasswordNote->x() + textWidthNeeded(Lbl_PasswordNote)});
    for (QWidget* field : fields)
        placeAcross(field, column, right - column);
    placeAcross(Cmd_KeyFile, right - browse, browse);
    placeAcross(Txt_KeyFile, column, right - browse - gap - column);
    placeAcross(Lbl_PasswordNote, Lbl_PasswordNote->x(), right - Lbl_PasswordNote->x());

    const int lower = growHeightsToFit(captions + fields + buttons +
                                       QList<QWidget*>{Txt_KeyFile, Cmd_KeyFile, Lbl_PasswordNote});
    setFixedSize(right + rightMargin, height() + lower);
}
