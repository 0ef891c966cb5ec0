#pragma once

#include "vantel/vanteldrawrequest.h"

#include <QAbstractScrollArea>
#include <QString>
#include <vector>

class QPainter;

// What the list box needs from the widget that owns it: drawing and
// measuring of entries, and a look at the input before the list acts on it.
class VantelListOwner {
public:
    virtual ~VantelListOwner() = default;
    // Paints the whole list area: background first, then the entries.
    virtual void ownerPaint(QPainter& painter, const QRect& rect) = 0;
    virtual void ownerDrawItem(const VantelDrawRequest& request) = 0;
    virtual int ownerMeasureItem(int index) = 0;
    // Key codes are virtual-key codes; the owner may change them (0 drops
    // the key or character).
    virtual void ownerKeyDown(short& keyCode, short shift) = 0;
    virtual void ownerKeyUp(short& keyCode, short shift) = 0;
    virtual void ownerKeyPress(short& keyAscii) = 0;
    enum class MouseKind { Down, Move, Up };
    // pos is in the list widget's coordinates.
    virtual void ownerMouse(MouseKind kind, short button, short shift, QPoint pos) = 0;
    virtual void ownerClick() = 0;
    virtual void ownerDblClick() = 0;
};

// One entry as the list box keeps it.
struct VantelListEntry {
    QString text;
    qint32 data = 0;
    qint16 height = 16;
    bool selected = false; // used by the multiple-selection modes
};

// An owner-drawn list box: it keeps the entries' texts, item data, selection
// and heights, scrolls, handles selection in its three modes and asks its
// owner to draw every visible entry. Entries scroll by whole entries
// vertically; a multi-column list scrolls by whole columns.
class VantelListBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum SelectionMode { Single = 0, Simple = 1, Extended = 2 };

    explicit VantelListBox(VantelListOwner* owner, QWidget* parent = nullptr);
    ~VantelListBox() override;

    // --- style --------------------------------------------------------
    void setSelectionMode(int mode);
    int selectionMode() const { return m_mode; }
    void setSorted(bool sorted) { m_sorted = sorted; }
    bool isSorted() const { return m_sorted; }
    // Positive: multi-column list with fixed entry height.
    void setMultiColumn(bool on);
    bool isMultiColumn() const { return m_multiColumn; }
    // All entries share one height (multi-column or integral height).
    void setFixedHeight(bool on);
    bool hasFixedHeight() const { return m_fixedHeightMode; }
    void setColumnWidth(int width);
    int columnWidth() const { return m_columnWidth; }
    void setHorizontalExtent(int extent);
    int horizontalExtent() const { return m_horizontalExtent; }

    // --- entries --------------------------------------------------------
    int count() const { return int(m_entries.size()); }
    // Adds at the sorted position of a sorted list, else at the end.
    int addString(const QString& text);
    // index -1 appends. Returns the position used.
    int insertString(int index, const QString& text);
    void deleteString(int index);
    // Puts a fresh entry with text in place of entry index: unselected, item
    // data 0, the height the owner measures; the caret stays where it is.
    void replaceString(int index, const QString& text);
    void resetContent();
    // Appends entries at the end in one step, each as high as `height`.
    void appendEntries(std::vector<VantelListEntry> entries, int height);
    // Gives every entry a new text and item data in one step, unselected,
    // as replaceString() would one by one; as many as the list holds.
    void rewriteEntries(std::vector<VantelListEntry> entries);
    // Every entry's text, in one step; data and selection stay.
    void rewriteTexts(std::vector<QString> texts);
    // Position i takes the entry that was at order[i], which must name every
    // position once; entries keep their heights, the selection is cleared.
    // `placed` is room for the work, as large as the list.
    void reorderEntries(const std::vector<int>& order, std::vector<bool>& placed);
    // Reserves room for n entries in total.
    void reserve(int n) { m_entries.reserve(size_t(n)); }

    const QString& text(int index) const { return m_entries[size_t(index)].text; }
    qint32 itemData(int index) const { return m_entries[size_t(index)].data; }
    void setItemData(int index, qint32 data) { m_entries[size_t(index)].data = data; }
    int itemHeight(int index) const;
    // In a fixed-height list this sets the height of every entry.
    void setItemHeight(int index, int height);

    // --- selection ------------------------------------------------------
    bool isSelected(int index) const;
    // Multiple-selection lists only; index -1 means every entry. Returns
    // false when the list does not accept it.
    bool setSel(bool select, int index);
    // Single-selection lists only: selects index (or nothing for -1).
    bool setCurSel(int index);
    // Single: the selected entry; multiple: the caret entry. -1 when none.
    int curSel() const;
    int caretIndex() const { return m_caret; }
    void setCaretIndex(int index, bool partlyVisibleIsEnough);
    int selCount() const;

    // --- scrolling and geometry ----------------------------------------
    int topIndex() const { return m_top; }
    void setTopIndex(int index);
    int horizontalOffset() const { return m_hOffset; }
    QRect itemRect(int index) const;       // viewport coordinates
    int indexAt(QPoint viewportPos) const; // -1 when no entry is there
    int rowsPerColumn() const;
    int visibleCount() const; // entries that fit fully from the top entry

    // Paints the entries that meet clip into painter, whose origin is the
    // viewport's top left; the caller has filled the background.
    void paintEntries(QPainter& painter, const QRect& clip);

    // Brings the scroll bars up to date now instead of at the next event.
    void updateLayoutNow();
    // Asks for one repaint of the entries; many requests before the next
    // paint cost no more than one.
    void requestRepaint();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void entryInserted(int index);
    void scheduleLayout();
    void updateScrollBars();
    int maxTopIndex() const;
    int entryAtOrLast(QPoint viewportPos) const;
    void ensureVisible(int index, bool partlyVisibleIsEnough);
    void clearMultiSelection();
    void selectRange(int from, int to, bool select);
    // Moves the caret as the keyboard or mouse does, applying the mode's
    // selection rules.
    void moveCaretTo(int index, bool shift, bool control);
    // Both return whether the list used the key; the others go on to the
    // container (Enter to a default button, Escape to a dialog).
    bool handleNavigationKey(short keyCode, short shift);
    bool handleCharacter(short keyAscii);
    void selectWithMouse(int index, Qt::KeyboardModifiers mods, bool drag);

    VantelListOwner* m_owner;
    std::vector<VantelListEntry> m_entries;
    int m_mode = Single;
    bool m_sorted = false;
    bool m_multiColumn = false;
    bool m_fixedHeightMode = false;
    int m_fixedHeight = 16;
    int m_columnWidth = 0;
    int m_horizontalExtent = 0;
    int m_top = 0;
    int m_hOffset = 0; // pixels, or columns in a multi-column list
    int m_caret = -1;
    int m_anchor = -1;
    int m_curSel = -1; // single-selection mode
    bool m_layoutPending = false;
    bool m_repaintPending = false;
    bool m_syncingScrollBars = false;
    bool m_leftDown = false;
};
