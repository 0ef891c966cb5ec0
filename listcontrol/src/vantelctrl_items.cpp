#include "vantel/vantelctrl.h"

#include "entry_order.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>

namespace {

VantelError badAddIndex(const QString& why) {
    return VantelError(VantelError::InvalidArrayIndex, QStringLiteral("AddItem: ") + why);
}

// The AddItem index as the automation variant gives it.
int indexFromVariant(const QVariant& index) {
    if (!index.isValid())
        return -1;
    switch (index.typeId()) {
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::UChar:
        return index.toInt();
    case QMetaType::Float:
    case QMetaType::Double: {
        const double value = std::trunc(index.toDouble());
        if (!std::isfinite(value) || value < -2147483648.0 || value > 2147483647.0)
            throw badAddIndex(QStringLiteral("index %1 is out of range").arg(index.toDouble()));
        return int(value);
    }
    default:
        throw badAddIndex(QStringLiteral("an index of type %1 is not accepted")
                              .arg(QLatin1String(index.metaType().name())));
    }
}

} // namespace

int CVantelCtrl::AddItem(const QString& text) {
    return AddItem(text, -1);
}

int CVantelCtrl::AddItem(const QString& text, const QVariant& index) {
    return AddItem(text, indexFromVariant(index));
}

int CVantelCtrl::AddItem(const QString& text, int index) {
    if (index < -1 || index > m_list->count())
        throw badAddIndex(
            QStringLiteral("index %1 is outside -1..%2").arg(index).arg(m_list->count()));
    int pos = -1;
    try {
        CVantelItem record;
        // Room for the record first, so that nothing can fail once the list
        // holds the new entry.
        if (m_records.size() == m_records.capacity())
            m_records.reserve(std::max<size_t>(64, m_records.capacity() * 2));
        pos =
            (m_sorted && index == -1) ? m_list->addString(text) : m_list->insertString(index, text);
        if (m_itemDefHeight <= 0)
            m_itemDefHeight = 16;
        m_list->setItemHeight(pos, m_itemDefHeight);
        m_records.insert(m_records.begin() + pos, std::move(record));
    } catch (const std::bad_alloc&) {
        throw VantelError(VantelError::OutOfMemory,
                          QStringLiteral("AddItem could not add an entry"));
    }
    m_newIndex = pos;
    m_modified = true;
    redraw();
    return pos;
}

namespace {

// The control's number for the caller's picture `index`; -1 for none.
int numberOf(int index, const std::vector<int>& numbers) {
    return index >= 0 && size_t(index) < numbers.size() ? numbers[size_t(index)] : -1;
}

} // namespace

void CVantelCtrl::Batch::resize(size_t count) {
    try {
        m_rows.resize(count);
        m_records.resize(count);
    } catch (const std::bad_alloc&) {
        throw VantelError(VantelError::OutOfMemory,
                          QStringLiteral("AddItems could not add the entries"));
    }
}

void CVantelCtrl::SetInBatch(Batch& batch, size_t at, const std::vector<Entry>& entries,
                             const QFont& font) {
    for (size_t i = 0; i < entries.size(); ++i)
        SetInBatch(batch, at + i, entries[i], font);
}

void CVantelCtrl::SetInBatch(Batch& batch, size_t at, const Entry& entry, const QFont& font) {
    if (at >= batch.size())
        return;
    if (at == 0)
        batch.m_font = font;
    VantelListEntry& row = batch.m_rows[at];
    row.text = entry.text;
    row.data = entry.data;
    CVantelItem& record = batch.m_records[at];
    record.foreColor = OleColor(entry.foreColor);
    record.picture = entry.picture;
}

void CVantelCtrl::AddToBatch(Batch& batch, const std::vector<Entry>& entries, const QFont& font) {
    const size_t at = batch.size();
    batch.resize(at + entries.size());
    SetInBatch(batch, at, entries, font);
}

void CVantelCtrl::givePictures(Batch& batch, const std::vector<QPixmap>& pictures) {
    const std::vector<int> numbers = m_pictures.addAll(pictures);
    for (CVantelItem& record : batch.m_records)
        record.picture = numberOf(record.picture, numbers);
}

// A table grown well past what the entries show (pictures set one by one
// and replaced) is renumbered down to the pictures still in use.
void CVantelCtrl::forgetUnusedPictures() {
    if (m_pictures.size() <= 2 * m_records.size() + 64)
        return;
    VantelPictures kept;
    for (CVantelItem& record : m_records)
        if (const QPixmap* picture = m_pictures.at(record.picture))
            record.picture = kept.add(*picture);
    m_pictures = std::move(kept);
}

void CVantelCtrl::AddItems(const std::vector<Entry>& entries,
                           const std::vector<QPixmap>& pictures) {
    if (m_sorted) {
        const std::vector<int> numbers = m_pictures.addAll(pictures);
        for (const Entry& e : entries) {
            const int p = AddItem(e.text, -1);
            m_list->setItemData(p, e.data);
            m_records[size_t(p)].picture = numberOf(e.picture, numbers);
            m_records[size_t(p)].foreColor = OleColor(e.foreColor);
        }
        return;
    }
    if (entries.empty())
        return;
    Batch batch;
    AddToBatch(batch, entries, m_font);
    givePictures(batch, pictures);
    if (m_itemDefHeight <= 0)
        m_itemDefHeight = 16;
    m_records.reserve(m_records.size() + batch.m_records.size());
    for (auto& record : batch.m_records)
        m_records.push_back(std::move(record));
    m_list->appendEntries(std::move(batch.m_rows), m_itemDefHeight);
    m_newIndex = int(m_records.size()) - 1;
    m_modified = true;
    forgetUnusedPictures();
    redraw();
}

void CVantelCtrl::SetBatch(Batch&& batch, const std::vector<QPixmap>& pictures) {
    if (m_itemDefHeight <= 0)
        m_itemDefHeight = 16;
    m_pictures.clear(); // every entry is replaced
    givePictures(batch, pictures);
    // Entries written for another font than the control's keep theirs.
    if (batch.m_font && !(*batch.m_font == m_font)) {
        const auto theirs = std::make_shared<const QFont>(*batch.m_font);
        for (CVantelItem& record : batch.m_records)
            record.font = theirs;
    }
    // The entries that go are let go of once control is back in the event
    // loop: a long list takes a while to free.
    auto old = std::make_shared<std::vector<CVantelItem>>(std::move(m_records));
    QTimer::singleShot(0, this, [old] { old->clear(); });
    m_records = std::move(batch.m_records);
    m_list->resetContent();
    m_list->appendEntries(std::move(batch.m_rows), m_itemDefHeight);
    m_newIndex = int(m_records.size()) - 1;
    m_modified = true;
    redraw();
}

void CVantelCtrl::SetItems(const std::vector<Entry>& entries,
                           const std::vector<QPixmap>& pictures) {
    if (entries.size() != m_records.size())
        throw VantelError(VantelError::InvalidArrayIndex,
                          QStringLiteral("SetItems: %1 entries for a list of %2")
                              .arg(entries.size())
                              .arg(m_records.size()));
    m_pictures.clear(); // every entry's picture is written anew
    const std::vector<int> numbers = m_pictures.addAll(pictures);
    std::vector<VantelListEntry> rows(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        CVantelItem& record = m_records[i];
        record.picture = numberOf(e.picture, numbers);
        record.foreColor = OleColor(e.foreColor);
        rows[i].text = e.text;
        rows[i].data = e.data;
    }
    m_list->rewriteEntries(std::move(rows));
    m_modified = true;
    redraw();
}

void CVantelCtrl::SetTexts(std::vector<QString> texts) {
    if (texts.size() != m_records.size())
        throw VantelError(VantelError::InvalidArrayIndex,
                          QStringLiteral("SetTexts: %1 texts for a list of %2")
                              .arg(texts.size())
                              .arg(m_records.size()));
    m_list->rewriteTexts(std::move(texts));
    m_modified = true;
    redraw();
}

void CVantelCtrl::Reorder(const std::vector<int>& order) {
    const size_t count = m_records.size();
    std::vector<bool> taken(count, false);
    bool whole = order.size() == count;
    for (size_t i = 0; i < order.size() && whole; ++i) {
        const int from = order[i];
        whole = from >= 0 && size_t(from) < count && !taken[size_t(from)];
        if (whole)
            taken[size_t(from)] = true;
    }
    if (!whole)
        throw VantelError(VantelError::InvalidArrayIndex,
                          QStringLiteral("Reorder: the order does not name each of the %1 "
                                         "positions once")
                              .arg(count));
    m_list->reorderEntries(order, taken);
    vantel::reorderInPlace(m_records, order, taken);
    m_modified = true;
    redraw();
}

void CVantelCtrl::RemoveItem(int nIndex) {
    checkIndex(nIndex, "RemoveItem");
    m_records.erase(m_records.begin() + nIndex);
    m_list->deleteString(nIndex);
    m_newIndex = -1;
    m_modified = true;
    redraw();
}

void CVantelCtrl::Clear() {
    if (m_records.empty())
        return;
    destroyRecords();
    m_list->resetContent();
    m_modified = true;
    redraw();
}

// --- indexed properties ----------------------------------------------------------

short CVantelCtrl::TabStops(int nIndex) const {
    if (nIndex < 0 || nIndex >= MaxTabs)
        throw VantelError(
            VantelError::InvalidArrayIndex,
            QStringLiteral("TabStops: position %1 is outside 0..%2").arg(nIndex).arg(MaxTabs - 1));
    return short(m_tabStops[size_t(nIndex)]);
}

void CVantelCtrl::SetTabStops(int nIndex, short position) {
    (void)TabStops(nIndex); // range check
    m_tabStops[size_t(nIndex)] = position;
}

bool CVantelCtrl::SelectEnable(int nIndex) const {
    checkIndex(nIndex, "SelectEnable");
    return m_records[size_t(nIndex)].selectable;
}

void CVantelCtrl::SetSelectEnable(int nIndex, bool selectable) {
    checkIndex(nIndex, "SelectEnable");
    m_records[size_t(nIndex)].selectable = selectable;
    m_modified = true;
    redraw();
}

bool CVantelCtrl::Selected(int nIndex) const {
    checkIndex(nIndex, "Selected");
    return m_list->isSelected(nIndex);
}

void CVantelCtrl::SetSelected(int nIndex, bool selected) {
    checkIndex(nIndex, "Selected");
    if (m_list->selectionMode() != VantelListBox::Single)
        m_list->setSel(selected, nIndex);
    else if (selected)
        m_list->setCurSel(nIndex);
    else if (m_list->curSel() == nIndex)
        m_list->setCurSel(-1);
    m_modified = true;
    redraw();
}

QString CVantelCtrl::List(int nIndex) const {
    checkIndex(nIndex, "List");
    return m_list->text(nIndex);
}

void CVantelCtrl::SetList(int nIndex, const QString& text) {
    checkIndex(nIndex, "List");
    m_list->replaceString(nIndex, text);
    m_modified = true;
    redraw();
}

qint32 CVantelCtrl::ItemBackColor(int nIndex) const {
    checkIndex(nIndex, "ItemBackColor");
    return qint32(m_records[size_t(nIndex)].backColor);
}

void CVantelCtrl::SetItemBackColor(int nIndex, qint32 color) {
    checkIndex(nIndex, "ItemBackColor");
    m_records[size_t(nIndex)].backColor = OleColor(color);
    m_modified = true;
    redraw();
}

qint32 CVantelCtrl::ItemForeColor(int nIndex) const {
    checkIndex(nIndex, "ItemForeColor");
    return qint32(m_records[size_t(nIndex)].foreColor);
}

void CVantelCtrl::SetItemForeColor(int nIndex, qint32 color) {
    checkIndex(nIndex, "ItemForeColor");
    m_records[size_t(nIndex)].foreColor = OleColor(color);
    m_modified = true;
    redraw();
}

QFont CVantelCtrl::ItemFont(int nIndex) const {
    checkIndex(nIndex, "ItemFont");
    const auto& font = m_records[size_t(nIndex)].font;
    return font ? *font : m_font;
}

// An entry keeps a font of its own only when it differs from the control's.
void CVantelCtrl::SetItemFont(int nIndex, const std::optional<QFont>& font) {
    checkIndex(nIndex, "ItemFont");
    CVantelItem& record = m_records[size_t(nIndex)];
    try {
        if (font && !(*font == m_font))
            record.font = std::make_shared<const QFont>(*font);
        else
            record.font.reset();
    } catch (const std::bad_alloc&) {
        throw VantelError(VantelError::OutOfMemory, QStringLiteral("ItemFont could not be stored"));
    }
    record.fontFollows = !font;
    m_modified = true;
    redraw();
}

QPixmap CVantelCtrl::ItemImage(int nIndex) const {
    checkIndex(nIndex, "ItemImage");
    const QPixmap* picture = m_pictures.at(m_records[size_t(nIndex)].picture);
    return picture ? *picture : QPixmap();
}

void CVantelCtrl::SetItemImage(int nIndex, const QPixmap& picture) {
    checkIndex(nIndex, "ItemImage");
    m_records[size_t(nIndex)].picture = m_pictures.add(picture);
    forgetUnusedPictures();
    m_modified = true;
    redraw();
}

qint32 CVantelCtrl::ItemData(int nIndex) const {
    checkIndex(nIndex, "ItemData");
    return m_list->itemData(nIndex);
}

void CVantelCtrl::SetItemData(int nIndex, qint32 data) {
    checkIndex(nIndex, "ItemData");
    m_list->setItemData(nIndex, data);
    m_modified = true;
}
