#pragma once

#include "vantel/olecolor.h"

#include <QFont>
#include <QString>
#include <optional>

// What the control keeps for one list entry beyond the list's own text, item
// data, selection and height. The control owns one per entry, in the list's
// order.
struct CVantelItem {
    std::optional<QString> text;       // the text that is drawn; absent for ""
    std::optional<OleColor> backColor; // absent: the control's background
    std::optional<OleColor> foreColor; // absent: the control's foreground
    std::optional<QFont> font;         // absent: the control's font (see fontFollows)
    int picture = -1;                  // the control's picture number; -1: none
    bool selectable = true;            // false: a selected entry is drawn unhighlighted
    // With no font of its own: true follows the control's font as it
    // changes; false keeps the font the control had when the entry was
    // added, which the entry is given when the control's font changes.
    bool fontFollows = false;
};
