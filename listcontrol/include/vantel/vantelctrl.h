#pragma once

#include "vantel/olecolor.h"
#include "vantel/vanteldrawrequest.h"
#include "vantel/vantelenums.h"
#include "vantel/vantelerror.h"
#include "vantel/vantelitem.h"
#include "vantel/vantellistbox.h"
#include "vantel/vantelpictures.h"

#include <QFont>
#include <QPixmap>
#include <QVariant>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class VantelPropertyBag;
class VantelPropertyFrame;
struct VantelSite;

// The Vantel list control: a list whose entries each carry, beside their
// text, an optional picture, colours, font, a 32-bit data value and a flag
// saying whether their selection is shown. Members follow the control's
// automation interface; bad arguments throw VantelError and leave the
// control unchanged. Entry indices are 0-based.
class CVantelCtrl : public QWidget, private VantelListOwner {
    Q_OBJECT
    // The custom properties as Qt properties, for form designers and the
    // code uic writes from their forms.
    Q_PROPERTY(bool HScroll READ HScroll WRITE setHScroll)
    Q_PROPERTY(short ItemDefHeight READ ItemDefHeight WRITE setItemDefHeight)
    Q_PROPERTY(short ImageOffset READ ImageOffset WRITE setImageOffset)
    Q_PROPERTY(short TextOffset READ TextOffset WRITE setTextOffset)
    Q_PROPERTY(short SelectStyle READ SelectStyle WRITE setSelectStyle)
    Q_PROPERTY(short VerticalImageAlign READ VerticalImageAlign WRITE setVerticalImageAlign)
    Q_PROPERTY(short VerticalTextAlign READ VerticalTextAlign WRITE setVerticalTextAlign)
    Q_PROPERTY(short Columns READ Columns WRITE setColumns)
    Q_PROPERTY(bool Sorted READ Sorted WRITE setSorted)
    Q_PROPERTY(short MultiSelect READ MultiSelect WRITE setMultiSelect)
    Q_PROPERTY(bool IntegralHeight READ IntegralHeight WRITE setIntegralHeight)
public:
    static constexpr int MaxTabs = 200;
    static constexpr qint32 NoColor = -1;
    static_assert(OleColor(NoColor) == kControlColor);

    explicit CVantelCtrl(QWidget* parent = nullptr);
    ~CVantelCtrl() override;

    // --- what the container tells the control ----------------------------
    // Run time (user mode) unless a design environment says otherwise.
    void setAmbientUserMode(bool userMode);
    bool ambientUserMode() const { return m_userMode; }
    // The container's name for the control; a change puts it into the list
    // as its only entry.
    void setAmbientDisplayName(const QString& name);
    QString ambientDisplayName() const { return m_displayName; }
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // --- properties -------------------------------------------------------
    bool HScroll() const { return m_hScroll; }
    void SetHScroll(bool on);
    short ImageOffset() const { return m_imageOffset; }
    void SetImageOffset(short offset);
    short ItemDefHeight() const { return m_itemDefHeight; }
    void SetItemDefHeight(short height);
    short TextOffset() const { return m_textOffset; }
    void SetTextOffset(short offset);
    short SelectStyle() const { return m_selectStyle ? 1 : 0; }
    void SetSelectStyle(short style);
    short NumTabs() const { return m_numTabs; }
    void SetNumTabs(short count);
    short Columns() const { return m_columns; }
    void SetColumns(short columns);
    short MultiSelect() const { return m_multiSelect; }
    void SetMultiSelect(short mode);
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool sorted);
    short VerticalTextAlign() const { return m_verticalTextAlign; }
    void SetVerticalTextAlign(short align);
    int ListCount() const;
    int ListIndex() const;
    void SetListIndex(int index);
    int NewIndex() const;
    int TopIndex() const;
    void SetTopIndex(int index);
    int SelCount() const;
    bool IntegralHeight() const { return m_integralHeight; }
    void SetIntegralHeight(bool on);
    short VerticalImageAlign() const { return m_verticalImageAlign; }
    void SetVerticalImageAlign(short align);
    // The text of the current entry; "" when there is none.
    QString Text() const;

    // --- methods ----------------------------------------------------------
    void RemoveItem(int nIndex);
    void Clear();
    // Adds an entry and returns its position (also NewIndex). Without an
    // index a sorted list puts it in sort order, another list at the end.
    int AddItem(const QString& text);
    // index -1 appends (or sorts); 0 .. ListCount inserts there.
    int AddItem(const QString& text, int index);
    // The index as an automation variant: missing/empty, 8/16/32-bit
    // integers, or single/double truncated toward zero.
    int AddItem(const QString& text, const QVariant& index);
    void Refresh();

    // One entry written at once: its text, item data, picture (an index into
    // the pictures handed over with it; -1 for none) and text colour
    // (NoColor for the control's own).
    struct Entry {
        QString text;
        qint32 data = 0;
        int picture = -1;
        qint32 foreColor = NoColor;
    };
    // Entries made ready away from the list, on any thread, to take its
    // place in one step.
    class Batch {
    public:
        size_t size() const { return m_rows.size(); }
        // Makes room for `count` entries in all, to be written in parts.
        void resize(size_t count);

    private:
        friend class CVantelCtrl;
        std::vector<VantelListEntry> m_rows;
        // Their pictures are the caller's indices until the control
        // numbers them.
        std::vector<CVantelItem> m_records;
        // The font the entries were written with, by the part that holds
        // the first of them; the records carry none of their own.
        std::optional<QFont> m_font;
    };
    // Appends the entries in one step: the list ends as AddItem(text, -1)
    // for each, followed by setting its ItemData, ItemImage and ItemForeColor,
    // would leave it, but it is drawn and laid out once. A sorted list takes
    // them one by one, each at its sorted place.
    void AddItems(const std::vector<Entry>& entries, const std::vector<QPixmap>& pictures);
    // Makes the entries ready in `batch`, as AddItems would add them to a
    // list whose font is `font`. Touches no control and no picture, so it
    // may run on any thread.
    static void AddToBatch(Batch& batch, const std::vector<Entry>& entries, const QFont& font);
    // Writes the entries into positions at, at + 1, ... of a batch that has
    // room for them. Parts of one batch may be written on several threads
    // at once, all with the same font.
    static void SetInBatch(Batch& batch, size_t at, const std::vector<Entry>& entries,
                           const QFont& font);
    // The same for one entry, written into position `at`: a batch of many
    // entries is filled without a second array of them.
    static void SetInBatch(Batch& batch, size_t at, const Entry& entry, const QFont& font);
    // The batch's entries, with their pictures, take the place of the
    // list's in one step, as Clear and AddItems would leave it (unsorted
    // lists).
    void SetBatch(Batch&& batch, const std::vector<QPixmap>& pictures);
    // Writes every position in one step, as List, ItemData, ItemImage and
    // ItemForeColor of each position would; there must be as many entries as
    // the list holds (error 381 otherwise, and nothing changes).
    void SetItems(const std::vector<Entry>& entries, const std::vector<QPixmap>& pictures);
    // Puts the entries in a new order in one step: position i then holds the
    // entry that was at order[i], with everything it had (text, item data,
    // picture, colours, font). The selection is cleared as SetItems clears
    // it. `order` must name every position once (error 381 otherwise, and
    // nothing changes).
    void Reorder(const std::vector<int>& order);
    // Writes every entry's text in one step; each entry keeps its item data,
    // picture, colours, font and selection. There must be as many texts as
    // entries (error 381 otherwise, and nothing changes).
    void SetTexts(std::vector<QString> texts);

    // --- indexed properties -------------------------------------------------
    short TabStops(int nIndex) const;
    void SetTabStops(int nIndex, short position);
    bool SelectEnable(int nIndex) const;
    void SetSelectEnable(int nIndex, bool selectable);
    bool Selected(int nIndex) const;
    void SetSelected(int nIndex, bool selected);
    QString List(int nIndex) const;
    void SetList(int nIndex, const QString& text);
    qint32 ItemBackColor(int nIndex) const;          // -1 when the entry has none
    void SetItemBackColor(int nIndex, qint32 color); // -1 removes it
    qint32 ItemForeColor(int nIndex) const;
    void SetItemForeColor(int nIndex, qint32 color);
    QFont ItemFont(int nIndex) const; // the control's font when it has none
    void SetItemFont(int nIndex, const std::optional<QFont>& font);
    QPixmap ItemImage(int nIndex) const;                   // null when it has none
    void SetItemImage(int nIndex, const QPixmap& picture); // null removes it
    qint32 ItemData(int nIndex) const;
    void SetItemData(int nIndex, qint32 data);

    // --- stock properties -------------------------------------------------
    OleColor BackColor() const { return m_backColor; }
    void SetBackColor(OleColor color);
    OleColor ForeColor() const { return m_foreColor; }
    void SetForeColor(OleColor color);
    short BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(short style);
    short Appearance() const { return m_appearance; }
    void SetAppearance(short appearance);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled);
    QFont Font() const { return m_font; }
    void SetFont(const QFont& font);
    QWidget* hWnd() { return this; }

    // --- module -----------------------------------------------------------
    // What the container reports before the control is shown: design or run
    // time and its name for the control (no entry is inserted for the name
    // at run time).
    void SetClientSite(const VantelSite& site);
    // Back to the state of a newly placed control: no entries, stock and
    // custom properties at their initial values (the widest text stays).
    // At design time the display-name entry is put back.
    void ResetState();
    // Shows the about box and waits until it is closed.
    void AboutBox();
    // The property pages the control offers, in order: its own, the stock
    // font page, the stock colour page.
    static QList<QUuid> PropertyPages();
    // The object verbs: only the standard Properties verb.
    static constexpr int VerbProperties = -7;
    // Runs a verb: Properties shows the property frame and waits until it is
    // closed. 0, or a negative code for a verb the control does not have.
    qint32 DoVerb(int verb, QWidget* parent = nullptr);
    // The property frame for this control, shown without waiting; it
    // deletes itself when closed.
    VantelPropertyFrame* OpenPropertyFrame(QWidget* parent = nullptr);

    // --- Qt property setters ------------------------------------------------
    // A form's saved value, taken as the control loads its saved
    // properties (at run time too); a value out of range is logged and
    // ignored. They return whether the value was taken.
    bool setHScroll(bool on);
    bool setItemDefHeight(short height);
    bool setImageOffset(short offset);
    bool setTextOffset(short offset);
    bool setSelectStyle(short style);
    bool setVerticalImageAlign(short align);
    bool setVerticalTextAlign(short align);
    bool setColumns(short columns);
    bool setSorted(bool sorted);
    bool setMultiSelect(short mode);
    bool setIntegralHeight(bool on);

    // --- drawing ----------------------------------------------------------
    // Paints one entry as the list asks for it.
    virtual void DrawItem(const VantelDrawRequest& request);
    // Puts the entry's font (or the control's) into the painter and returns
    // the font it replaced.
    virtual QFont SelectItemFont(const CVantelItem& item, QPainter& painter);
    virtual void MeasureItem(VantelMeasureRequest& request);
    // Paints the whole control into painter within bounds. windowContext is
    // false for foreign surfaces (printing, grabs), where the room of the
    // border and of a shown vertical scroll bar is taken off first.
    void PaintControl(QPainter& painter, const QRect& bounds, bool windowContext);
    short WidestText() const { return m_widestText; }

    // --- persistence ------------------------------------------------------
    void SaveProperties(VantelPropertyBag& bag) const;
    // Properties missing from the bag (or unusable) keep their values.
    void LoadProperties(const VantelPropertyBag& bag);

    // --- inner parts --------------------------------------------------------
    VantelListBox* listBox() const { return m_list; }
    const CVantelItem& record(int nIndex) const { return m_records[size_t(nIndex)]; }
    const QPixmap* picture(int number) const { return m_pictures.at(number); }
    QColor displayColor(OleColor color) const;

signals:
    void Click();
    void DblClick();
    void KeyDown(short& KeyCode, short Shift);
    void KeyPress(short& KeyAscii);
    void KeyUp(short& KeyCode, short Shift);
    void MouseDown(short Button, short Shift, int x, int y);
    void MouseMove(short Button, short Shift, int x, int y);
    void MouseUp(short Button, short Shift, int x, int y);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    // VantelListOwner
    void ownerPaint(QPainter& painter, const QRect& rect) override;
    void ownerDrawItem(const VantelDrawRequest& request) override;
    int ownerMeasureItem(int index) override;
    void ownerKeyDown(short& keyCode, short shift) override;
    void ownerKeyUp(short& keyCode, short shift) override;
    void ownerKeyPress(short& keyAscii) override;
    void ownerMouse(MouseKind kind, short button, short shift, QPoint pos) override;
    void ownerClick() override;
    void ownerDblClick() override;

    void checkIndex(int nIndex, const char* member) const;
    void givePictures(Batch& batch, const std::vector<QPixmap>& pictures);
    void forgetUnusedPictures();
    // The control's font becomes `font`; entries keep the one they had.
    void changeFont(const QFont& font);
    void checkUserMode(const char* member) const;
    void redraw();
    void applyListStyle();
    void applyFrame();
    void layoutList();
    void updateColumnWidth();
    void showDisplayNameEntry();
    void createControlWindow();
    void destroyRecords();
    int insertEntry(const QString& text, int index);
    void drawEntryText(const CVantelItem& item, const VantelDrawRequest& request, int textLeft,
                       const QColor& foreground);

    VantelListBox* m_list = nullptr;

    // Control state, in the order the control declares it.
    short m_itemDefHeight = 16;
    short m_imageOffset = 0;
    short m_textOffset = 0;
    bool m_selectStyle = false;
    short m_numTabs = 0;
    short m_columns = 0;
    short m_multiSelect = 0;
    bool m_sorted = false;
    short m_verticalTextAlign = 0;
    std::array<qint32, MaxTabs> m_tabStops{};
    qint32 m_newIndex = 0;
    bool m_integralHeight = false;
    short m_verticalImageAlign = 0;
    short m_widestText = 0;
    bool m_hScroll = false;
    std::vector<CVantelItem> m_records;
    VantelPictures m_pictures; // what the records' picture numbers stand for

    // Stock state.
    OleColor m_foreColor = SysColor::WindowText;
    OleColor m_backColor = SysColor::Window;
    short m_borderStyle = 1;
    short m_appearance = 1;
    QFont m_font;

    bool m_userMode = true;
    bool m_modified = false;
    QString m_displayName;

    friend class VantelDispatch;
};
