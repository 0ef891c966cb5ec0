#pragma once

#include "vantel/olecolor.h"

#include <QFont>
#include <memory>

// The colour an entry reads as having when it has none of its own; it is
// drawn in the control's colour then.
inline constexpr OleColor kControlColor = 0xFFFFFFFFu;

// What the control keeps for one list entry beyond the list's own text, item
// data, selection and height. The control owns one per entry, in the list's
// order; a long list holds many, so it is kept small.
struct CVantelItem {
    // Absent: the control's font (see fontFollows). Entries given a font in
    // one step share it.
    std::shared_ptr<const QFont> font;
    OleColor backColor = kControlColor; // kControlColor: the control's background
    OleColor foreColor = kControlColor; // kControlColor: the control's foreground
    int picture = -1;                   // the control's picture number; -1: none
    bool selectable = true;             // false: a selected entry is drawn unhighlighted
    // With no font of its own: true follows the control's font as it
    // changes; false keeps the font the control had when the entry was
    // added, which the entry is given when the control's font changes.
    bool fontFollows = false;
};
static_assert(sizeof(CVantelItem) <= 32, "a long list holds one per entry");
