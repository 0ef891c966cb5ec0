#pragma once

#include <QRect>

class QPainter;

// What the list hands to its owner when an entry is to be drawn.
struct VantelDrawRequest {
    enum Action : unsigned { DrawEntire = 1, SelectionChange = 2, FocusChange = 4 };
    enum State : unsigned { Selected = 1, Disabled = 4, Focus = 16 };

    int index = -1; // -1: no entry
    unsigned action = DrawEntire;
    unsigned state = 0; // combination of State flags
    QPainter* painter = nullptr;
    QRect rect; // the entry's rectangle in the painter's coordinates
};

// What the list asks its owner when it needs an entry's height.
struct VantelMeasureRequest {
    static constexpr int NoEntry = 0xFFFF;
    int index = 0;
    int height = 0; // filled in by the owner
};
