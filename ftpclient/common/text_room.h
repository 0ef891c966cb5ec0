#pragma once

#include <QList>

class QWidget;

// The room a control needs to show its whole text in its own font, in
// pixels: a label, a button (with its icon), a check box, a line edit or a
// combo box. Controls are laid out in the boxes of their design; where a box
// is smaller than this, the control gets this much.
int textWidthNeeded(const QWidget* w);
int textHeightNeeded(const QWidget* w);

// Controls laid out by a design in fixed boxes of one parent: each one that
// needs more height than its box gets it, and whatever lies wholly below it
// moves down as far. Returns how far the lowest control moved.
int growHeightsToFit(const QList<QWidget*>& controls);
