#include "vantel/vantelctrl.h"
#include "vantel/vantelpropertybag.h"

#include <limits>

// Saved with the control: the stock properties, then the custom ones, under
// format version 1.0. Entries, records, tab positions and the new index are
// not saved.

namespace {

constexpr int FormatVersion = 0x00010000; // 1.0

// Reads a whole number within [low, high]; anything else leaves field alone.
template <typename T>
void readNumber(const VantelPropertyBag& bag, const char* name, T& field, qint64 low, qint64 high) {
    const auto value = bag.read(QLatin1String(name));
    if (!value)
        return;
    bool ok = false;
    const qint64 number = value->toLongLong(&ok);
    if (ok && number >= low && number <= high)
        field = T(number);
}

void readBool(const VantelPropertyBag& bag, const char* name, bool& field) {
    const auto value = bag.read(QLatin1String(name));
    if (value && value->canConvert<bool>())
        field = value->toBool();
}

} // namespace

void CVantelCtrl::SaveProperties(VantelPropertyBag& bag) const {
    bag.write(QStringLiteral("_Version"), FormatVersion);
    bag.write(QStringLiteral("BackColor"), quint32(m_backColor));
    bag.write(QStringLiteral("ForeColor"), quint32(m_foreColor));
    bag.write(QStringLiteral("BorderStyle"), m_borderStyle);
    bag.write(QStringLiteral("Appearance"), m_appearance);
    bag.write(QStringLiteral("Enabled"), isEnabled());
    bag.write(QStringLiteral("Font"), m_font.toString());

    bag.write(QStringLiteral("ItemDefHeight"), m_itemDefHeight);
    bag.write(QStringLiteral("ImageOffset"), m_imageOffset);
    bag.write(QStringLiteral("TextOffset"), m_textOffset);
    bag.write(QStringLiteral("SelectStyle"), m_selectStyle);
    bag.write(QStringLiteral("NumTabs"), m_numTabs);
    bag.write(QStringLiteral("Columns"), m_columns);
    bag.write(QStringLiteral("MultiSelect"), m_multiSelect);
    bag.write(QStringLiteral("Sorted"), m_sorted);
    bag.write(QStringLiteral("VerticalTextAlign"), m_verticalTextAlign);
    bag.write(QStringLiteral("VerticalImageAlign"), m_verticalImageAlign);
    bag.write(QStringLiteral("IntegralHeight"), m_integralHeight);
    bag.write(QStringLiteral("HScroll"), m_hScroll);
}

void CVantelCtrl::LoadProperties(const VantelPropertyBag& bag) {
    constexpr qint64 shortMax = std::numeric_limits<short>::max();
    readNumber(bag, "BackColor", m_backColor, 0, 0xFFFFFFFFll);
    readNumber(bag, "ForeColor", m_foreColor, 0, 0xFFFFFFFFll);
    readNumber(bag, "BorderStyle", m_borderStyle, 0, 1);
    readNumber(bag, "Appearance", m_appearance, 0, 1);
    bool enabled = isEnabled();
    readBool(bag, "Enabled", enabled);
    setEnabled(enabled);
    if (const auto font = bag.read(QStringLiteral("Font"))) {
        QFont loaded = m_font;
        if (font->typeId() == QMetaType::QFont)
            loaded = font->value<QFont>();
        else if (!loaded.fromString(font->toString()))
            loaded = m_font;
        changeFont(loaded);
    }

    readNumber(bag, "ItemDefHeight", m_itemDefHeight, 1, shortMax);
    readNumber(bag, "ImageOffset", m_imageOffset, 0, shortMax);
    readNumber(bag, "TextOffset", m_textOffset, 0, shortMax);
    readBool(bag, "SelectStyle", m_selectStyle);
    readNumber(bag, "NumTabs", m_numTabs, 0, MaxTabs);
    readNumber(bag, "Columns", m_columns, 0, shortMax);
    readNumber(bag, "MultiSelect", m_multiSelect, 0, 2);
    readBool(bag, "Sorted", m_sorted);
    readNumber(bag, "VerticalTextAlign", m_verticalTextAlign, 0, 2);
    readNumber(bag, "VerticalImageAlign", m_verticalImageAlign, 0, 2);
    readBool(bag, "IntegralHeight", m_integralHeight);
    readBool(bag, "HScroll", m_hScroll);

    applyFrame();
    applyListStyle();
    m_list->setHorizontalExtent(m_hScroll ? m_widestText : 0);
    m_modified = false;
    update();
    redraw();
}
