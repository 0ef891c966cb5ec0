// Qt property writes. A form built from a designer's file sets its saved
// values this way, also at run time, so a write is taken as loading that
// one saved property: run-time restrictions do not apply, and a value out
// of range is ignored with a warning instead of an exception.
#include "vantel/vantelctrl.h"
#include "vantel/vantelpropertybag.h"

#include <QDebug>

namespace {

bool restore(CVantelCtrl& control, const char* name, const QVariant& value) {
    VantelPropertyBag bag;
    bag.write(QLatin1String(name), value);
    const bool modified = control.isModified();
    control.LoadProperties(bag);
    control.setModified(modified);
    const bool taken = control.property(name).toInt() == value.toInt();
    if (!taken)
        qWarning().noquote() << "Vantel:" << name << "does not take" << value.toString();
    return taken;
}

} // namespace

bool CVantelCtrl::setHScroll(bool on) {
    return restore(*this, "HScroll", on);
}
bool CVantelCtrl::setItemDefHeight(short height) {
    return restore(*this, "ItemDefHeight", height);
}
bool CVantelCtrl::setImageOffset(short offset) {
    return restore(*this, "ImageOffset", offset);
}
bool CVantelCtrl::setTextOffset(short offset) {
    return restore(*this, "TextOffset", offset);
}
bool CVantelCtrl::setSelectStyle(short style) {
    return restore(*this, "SelectStyle", style);
}
bool CVantelCtrl::setVerticalImageAlign(short align) {
    return restore(*this, "VerticalImageAlign", align);
}
bool CVantelCtrl::setVerticalTextAlign(short align) {
    return restore(*this, "VerticalTextAlign", align);
}
bool CVantelCtrl::setColumns(short columns) {
    return restore(*this, "Columns", columns);
}
bool CVantelCtrl::setSorted(bool sorted) {
    return restore(*this, "Sorted", sorted);
}
bool CVantelCtrl::setMultiSelect(short mode) {
    return restore(*this, "MultiSelect", mode);
}
bool CVantelCtrl::setIntegralHeight(bool on) {
    return restore(*this, "IntegralHeight", on);
}
