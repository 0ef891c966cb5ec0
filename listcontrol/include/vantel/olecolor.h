#pragma once

#include <QColor>
#include <QtGlobal>

class QPalette;

// Colours are kept as 32-bit OLE colour values: 0x00BBGGRR for an RGB
// colour, 0x80000000 + index for a system colour. They become QColor only
// when drawing.
using OleColor = quint32;

namespace SysColor {
enum : OleColor {
    ScrollBar = 0x80000000,
    Desktop = 0x80000001,
    ActiveCaption = 0x80000002,
    InactiveCaption = 0x80000003,
    Menu = 0x80000004,
    Window = 0x80000005,
    WindowFrame = 0x80000006,
    MenuText = 0x80000007,
    WindowText = 0x80000008,
    CaptionText = 0x80000009,
    ActiveBorder = 0x8000000A,
    InactiveBorder = 0x8000000B,
    AppWorkspace = 0x8000000C,
    Highlight = 0x8000000D,
    HighlightText = 0x8000000E,
    ButtonFace = 0x8000000F,
    ButtonShadow = 0x80000010,
    GrayText = 0x80000011,
    ButtonText = 0x80000012,
    InactiveCaptionText = 0x80000013,
    ButtonHighlight = 0x80000014,
    DarkShadow3D = 0x80000015,
    Light3D = 0x80000016,
    InfoText = 0x80000017,
    InfoBackground = 0x80000018,
};
}

constexpr OleColor oleRgb(int r, int g, int b) {
    return OleColor(r & 0xFF) | (OleColor(g & 0xFF) << 8) | (OleColor(b & 0xFF) << 16);
}

constexpr bool isSystemColor(OleColor c) {
    return (c & 0xFF000000u) == 0x80000000u;
}

// Translates an OLE colour for drawing; system colours come from the palette.
QColor translateOleColor(OleColor color, const QPalette& palette);

// `text` as it is drawn on `background`: kept when the two differ enough in
// lightness to be read (a contrast ratio of 3 or more), otherwise with its
// lightness turned over (dark blue becomes light blue on a dark background),
// and failing that black or white, whichever reads.
QColor readableOn(const QColor& text, const QColor& background);

// The OLE colour of an RGB QColor (alpha is dropped).
OleColor toOleColor(const QColor& color);
