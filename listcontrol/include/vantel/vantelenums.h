#pragma once

// Enumerations of the VantelLib type library.
enum enumAppearance : short { Flt = 0, Thred = 1 };
enum enumSelect : short { Invrt = 0, Stdrd = 1 };
enum enumMulti : short { NoSel = 0, Simp = 1, Extnd = 2 };
enum enumVertText : short { Tp = 0, Cent = 1, Bot = 2 };
enum enumVertImage : short { TpI = 0, CentI = 1, BotI = 2 };

// Dispatch identifiers of the control's members (_DVantel) and events
// (_DVantelEvents).
namespace VantelDispId {
enum : int {
    HScroll = 1,
    ImageOffset = 2,
    ItemDefHeight = 3,
    TextOffset = 4,
    SelectStyle = 5,
    NumTabs = 6,
    Columns = 7,
    MultiSelect = 8,
    Sorted = 9,
    VerticalTextAlign = 10,
    ListCount = 11,
    ListIndex = 12,
    NewIndex = 13,
    TopIndex = 14,
    SelCount = 15,
    IntegralHeight = 16,
    VerticalImageAlign = 17,
    RemoveItem = 18,
    Clear = 19,
    AddItem = 20,
    TabStops = 21,
    SelectEnable = 22,
    Selected = 23,
    List = 24,
    ItemBackColor = 25,
    ItemForeColor = 26,
    ItemFont = 27,
    ItemImage = 28,
    ItemData = 29,
    DefaultBackColor = 0, // _BackColor
    Refresh = -550,
    BackColor = -501,
    ForeColor = -513,
    hWnd = -515,
    BorderStyle = -504,
    Enabled = -514,
    Font = -512,
    Appearance = -520,
    AboutBox = -552,
    Text = -517,

    Click = -600,
    DblClick = -601,
    KeyDown = -602,
    KeyPress = -603,
    KeyUp = -604,
    MouseDown = -605,
    MouseMove = -606,
    MouseUp = -607,
};
}
