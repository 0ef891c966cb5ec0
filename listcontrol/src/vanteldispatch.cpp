#include "vantel/vanteldispatch.h"
#include "vantel/vantelctrl.h"

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <cmath>

using D = VantelDispatch;
namespace Id = VantelDispId;

namespace {

VantelError typeMismatch(int dispId, const QVariant& value) {
    return VantelError(VantelError::TypeMismatch,
                       QStringLiteral("%1 does not take a value of type %2")
                           .arg(D::nameOfId(dispId), QLatin1String(value.metaType().name())));
}

qint64 toInteger(int dispId, const QVariant& value, qint64 low, qint64 high) {
    qint64 number = 0;
    switch (value.typeId()) {
    case QMetaType::Float:
    case QMetaType::Double: {
        const double d = std::nearbyint(value.toDouble());
        if (!std::isfinite(d) || d < double(low) || d > double(high))
            throw VantelError(VantelError::Overflow, QStringLiteral("%1: %2 is out of range")
                                                         .arg(D::nameOfId(dispId))
                                                         .arg(value.toDouble()));
        return qint64(d);
    }
    case QMetaType::Bool:
        number = value.toBool() ? -1 : 0;
        break;
    default: {
        bool ok = false;
        number = value.toLongLong(&ok);
        if (!ok)
            throw typeMismatch(dispId, value);
    }
    }
    if (number < low || number > high)
        throw VantelError(
            VantelError::Overflow,
            QStringLiteral("%1: %2 is out of range").arg(D::nameOfId(dispId)).arg(number));
    return number;
}

short toShort(int dispId, const QVariant& v) {
    return short(toInteger(dispId, v, -32768, 32767));
}
int toLong(int dispId, const QVariant& v) {
    return int(toInteger(dispId, v, INT32_MIN, INT32_MAX));
}
OleColor toColor(int dispId, const QVariant& v) {
    return OleColor(quint32(toInteger(dispId, v, INT32_MIN, UINT32_MAX) & 0xFFFFFFFFu));
}
bool toBool(int dispId, const QVariant& v) {
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return toInteger(dispId, v, INT32_MIN, INT32_MAX) != 0;
}
QString toText(int dispId, const QVariant& v) {
    if (!v.canConvert<QString>())
        throw typeMismatch(dispId, v);
    return v.toString();
}
std::optional<QFont> toFont(int dispId, const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    if (v.typeId() == QMetaType::QFont)
        return v.value<QFont>();
    QFont font;
    if (v.typeId() == QMetaType::QString && font.fromString(v.toString()))
        return font;
    throw typeMismatch(dispId, v);
}
QPixmap toPicture(int dispId, const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return QPixmap();
    if (v.typeId() == QMetaType::QPixmap)
        return v.value<QPixmap>();
    if (v.typeId() == QMetaType::QImage)
        return QPixmap::fromImage(v.value<QImage>());
    throw typeMismatch(dispId, v);
}

VantelError wrongArguments(int dispId, qsizetype given) {
    return VantelError(
        VantelError::WrongArguments,
        QStringLiteral("%1 given %2 argument(s)").arg(D::nameOfId(dispId)).arg(given));
}

void expectCount(int dispId, const QVariantList& args, qsizetype count) {
    if (args.size() != count)
        throw wrongArguments(dispId, args.size());
}

} // namespace

const std::vector<D::Member>& VantelDispatch::members() {
    static const std::vector<Member> table = {
        {Id::HScroll, QStringLiteral("HScroll"), Kind::Property},
        {Id::ImageOffset, QStringLiteral("ImageOffset"), Kind::Property},
        {Id::ItemDefHeight, QStringLiteral("ItemDefHeight"), Kind::Property},
        {Id::TextOffset, QStringLiteral("TextOffset"), Kind::Property},
        {Id::SelectStyle, QStringLiteral("SelectStyle"), Kind::Property},
        {Id::NumTabs, QStringLiteral("NumTabs"), Kind::Property},
        {Id::Columns, QStringLiteral("Columns"), Kind::Property},
        {Id::MultiSelect, QStringLiteral("MultiSelect"), Kind::Property},
        {Id::Sorted, QStringLiteral("Sorted"), Kind::Property},
        {Id::VerticalTextAlign, QStringLiteral("VerticalTextAlign"), Kind::Property},
        {Id::ListCount, QStringLiteral("ListCount"), Kind::Property},
        {Id::ListIndex, QStringLiteral("ListIndex"), Kind::Property},
        {Id::NewIndex, QStringLiteral("NewIndex"), Kind::Property},
        {Id::TopIndex, QStringLiteral("TopIndex"), Kind::Property},
        {Id::SelCount, QStringLiteral("SelCount"), Kind::Property},
        {Id::IntegralHeight, QStringLiteral("IntegralHeight"), Kind::Property},
        {Id::VerticalImageAlign, QStringLiteral("VerticalImageAlign"), Kind::Property},
        {Id::RemoveItem, QStringLiteral("RemoveItem"), Kind::Method},
        {Id::Clear, QStringLiteral("Clear"), Kind::Method},
        {Id::AddItem, QStringLiteral("AddItem"), Kind::Method},
        {Id::TabStops, QStringLiteral("TabStops"), Kind::IndexedProperty},
        {Id::SelectEnable, QStringLiteral("SelectEnable"), Kind::IndexedProperty},
        {Id::Selected, QStringLiteral("Selected"), Kind::IndexedProperty},
        {Id::List, QStringLiteral("List"), Kind::IndexedProperty},
        {Id::ItemBackColor, QStringLiteral("ItemBackColor"), Kind::IndexedProperty},
        {Id::ItemForeColor, QStringLiteral("ItemForeColor"), Kind::IndexedProperty},
        {Id::ItemFont, QStringLiteral("ItemFont"), Kind::IndexedProperty},
        {Id::ItemImage, QStringLiteral("ItemImage"), Kind::IndexedProperty},
        {Id::ItemData, QStringLiteral("ItemData"), Kind::IndexedProperty},
        {Id::DefaultBackColor, QStringLiteral("_BackColor"), Kind::Property},
        {Id::Refresh, QStringLiteral("Refresh"), Kind::Method},
        {Id::BackColor, QStringLiteral("BackColor"), Kind::Property},
        {Id::ForeColor, QStringLiteral("ForeColor"), Kind::Property},
        {Id::hWnd, QStringLiteral("hWnd"), Kind::Property},
        {Id::BorderStyle, QStringLiteral("BorderStyle"), Kind::Property},
        {Id::Enabled, QStringLiteral("Enabled"), Kind::Property},
        {Id::Font, QStringLiteral("Font"), Kind::Property},
        {Id::Appearance, QStringLiteral("Appearance"), Kind::Property},
        {Id::AboutBox, QStringLiteral("AboutBox"), Kind::Method},
        {Id::Text, QStringLiteral("Text"), Kind::Property},
        {Id::Click, QStringLiteral("Click"), Kind::Event},
        {Id::DblClick, QStringLiteral("DblClick"), Kind::Event},
        {Id::KeyDown, QStringLiteral("KeyDown"), Kind::Event},
        {Id::KeyPress, QStringLiteral("KeyPress"), Kind::Event},
        {Id::KeyUp, QStringLiteral("KeyUp"), Kind::Event},
        {Id::MouseDown, QStringLiteral("MouseDown"), Kind::Event},
        {Id::MouseMove, QStringLiteral("MouseMove"), Kind::Event},
        {Id::MouseUp, QStringLiteral("MouseUp"), Kind::Event},
    };
    return table;
}

std::optional<int> VantelDispatch::idOfName(const QString& name) {
    for (const Member& m : members()) {
        if (m.name.compare(name, Qt::CaseInsensitive) == 0)
            return m.dispId;
    }
    return std::nullopt;
}

QString VantelDispatch::nameOfId(int dispId) {
    for (const Member& m : members()) {
        if (m.dispId == dispId)
            return m.name;
    }
    return QStringLiteral("member %1").arg(dispId);
}

int VantelDispatch::resolve(const QString& name) {
    const auto id = idOfName(name);
    if (!id)
        throw VantelError(VantelError::NoSuchMember,
                          QStringLiteral("no member named %1").arg(name));
    return *id;
}

QVariant VantelDispatch::get(const QString& name, const QVariantList& indices) const {
    return get(resolve(name), indices);
}

void VantelDispatch::set(const QString& name, const QVariantList& arguments) {
    set(resolve(name), arguments);
}

QVariant VantelDispatch::call(const QString& name, const QVariantList& arguments) {
    return call(resolve(name), arguments);
}

// Properties without an index: how each is read and, unless it is
// read-only, written. First the list's own.
const std::vector<VantelDispatch::PlainAccess>& VantelDispatch::plainProperties() {
    using C = CVantelCtrl;
    using V = const QVariant&;
    static const std::vector<PlainAccess> table = {
        {Id::HScroll, [](const C& c) -> QVariant { return c.HScroll(); },
         [](C& c, int id, V v) {
             c.SetHScroll(toBool(id, v));
         }},
        {Id::ImageOffset, [](const C& c) -> QVariant { return c.ImageOffset(); },
         [](C& c, int id, V v) {
             c.SetImageOffset(toShort(id, v));
         }},
        {Id::ItemDefHeight, [](const C& c) -> QVariant { return c.ItemDefHeight(); },
         [](C& c, int id, V v) {
             c.SetItemDefHeight(toShort(id, v));
         }},
        {Id::TextOffset, [](const C& c) -> QVariant { return c.TextOffset(); },
         [](C& c, int id, V v) {
             c.SetTextOffset(toShort(id, v));
         }},
        {Id::SelectStyle, [](const C& c) -> QVariant { return c.SelectStyle(); },
         [](C& c, int id, V v) {
             c.SetSelectStyle(toShort(id, v));
         }},
        {Id::NumTabs, [](const C& c) -> QVariant { return c.NumTabs(); },
         [](C& c, int id, V v) {
             c.SetNumTabs(toShort(id, v));
         }},
        {Id::Columns, [](const C& c) -> QVariant { return c.Columns(); },
         [](C& c, int id, V v) {
             c.SetColumns(toShort(id, v));
         }},
        {Id::MultiSelect, [](const C& c) -> QVariant { return c.MultiSelect(); },
         [](C& c, int id, V v) {
             c.SetMultiSelect(toShort(id, v));
         }},
        {Id::Sorted, [](const C& c) -> QVariant { return c.Sorted(); },
         [](C& c, int id, V v) {
             c.SetSorted(toBool(id, v));
         }},
        {Id::VerticalTextAlign, [](const C& c) -> QVariant { return c.VerticalTextAlign(); },
         [](C& c, int id, V v) {
             c.SetVerticalTextAlign(toShort(id, v));
         }},
        {Id::ListCount, [](const C& c) -> QVariant { return c.ListCount(); }, nullptr},
        {Id::ListIndex, [](const C& c) -> QVariant { return c.ListIndex(); },
         [](C& c, int id, V v) {
             c.SetListIndex(toLong(id, v));
         }},
        {Id::NewIndex, [](const C& c) -> QVariant { return c.NewIndex(); }, nullptr},
        {Id::TopIndex, [](const C& c) -> QVariant { return c.TopIndex(); },
         [](C& c, int id, V v) {
             c.SetTopIndex(toLong(id, v));
         }},
        {Id::SelCount, [](const C& c) -> QVariant { return c.SelCount(); }, nullptr},
        {Id::IntegralHeight, [](const C& c) -> QVariant { return c.IntegralHeight(); },
         [](C& c, int id, V v) {
             c.SetIntegralHeight(toBool(id, v));
         }},
        {Id::VerticalImageAlign, [](const C& c) -> QVariant { return c.VerticalImageAlign(); },
         [](C& c, int id, V v) {
             c.SetVerticalImageAlign(toShort(id, v));
         }},
    };
    return table;
}

// The stock properties: colours, border, font, appearance and the window.
const std::vector<VantelDispatch::PlainAccess>& VantelDispatch::stockProperties() {
    using C = CVantelCtrl;
    using V = const QVariant&;
    static const std::vector<PlainAccess> table = {
        {Id::DefaultBackColor, [](const C& c) -> QVariant { return c.BackColor(); },
         [](C& c, int id, V v) {
             c.SetBackColor(toColor(id, v));
         }},
        {Id::BackColor, [](const C& c) -> QVariant { return c.BackColor(); },
         [](C& c, int id, V v) {
             c.SetBackColor(toColor(id, v));
         }},
        {Id::ForeColor, [](const C& c) -> QVariant { return c.ForeColor(); },
         [](C& c, int id, V v) {
             c.SetForeColor(toColor(id, v));
         }},
        {Id::hWnd,
         [](const C& c) -> QVariant { return qulonglong(quintptr(const_cast<C&>(c).hWnd())); },
         nullptr},
        {Id::BorderStyle, [](const C& c) -> QVariant { return c.BorderStyle(); },
         [](C& c, int id, V v) {
             c.SetBorderStyle(toShort(id, v));
         }},
        {Id::Enabled, [](const C& c) -> QVariant { return c.Enabled(); },
         [](C& c, int id, V v) {
             c.SetEnabled(toBool(id, v));
         }},
        {Id::Font, [](const C& c) -> QVariant { return c.Font(); },
         [](C& c, int id, V v) {
             const auto font = toFont(id, v);
             if (!font)
                 throw typeMismatch(id, v);
             c.SetFont(*font);
         }},
        {Id::Appearance, [](const C& c) -> QVariant { return c.Appearance(); },
         [](C& c, int id, V v) {
             c.SetAppearance(toShort(id, v));
         }},
        {Id::Text, [](const C& c) -> QVariant { return c.Text(); }, nullptr},
    };
    return table;
}

// Properties with an index: the index is checked on its own first, so that
// a bad index is reported as such whatever the value.
const std::vector<VantelDispatch::IndexedAccess>& VantelDispatch::indexedProperties() {
    using C = CVantelCtrl;
    using V = const QVariant&;
    static const std::vector<IndexedAccess> table = {
        {Id::TabStops, [](const C& c, int i) { (void)c.TabStops(i); },
         [](const C& c, int i) -> QVariant { return c.TabStops(i); },
         [](C& c, int id, int i, V v) {
             c.SetTabStops(i, toShort(id, v));
         }},
        {Id::SelectEnable, [](const C& c, int i) { c.checkIndex(i, "SelectEnable"); },
         [](const C& c, int i) -> QVariant { return c.SelectEnable(i); },
         [](C& c, int id, int i, V v) {
             c.SetSelectEnable(i, toBool(id, v));
         }},
        {Id::Selected, [](const C& c, int i) { c.checkIndex(i, "Selected"); },
         [](const C& c, int i) -> QVariant { return c.Selected(i); },
         [](C& c, int id, int i, V v) {
             c.SetSelected(i, toBool(id, v));
         }},
        {Id::List, [](const C& c, int i) { c.checkIndex(i, "List"); },
         [](const C& c, int i) -> QVariant { return c.List(i); },
         [](C& c, int id, int i, V v) {
             c.SetList(i, toText(id, v));
         }},
        {Id::ItemBackColor, [](const C& c, int i) { c.checkIndex(i, "ItemBackColor"); },
         [](const C& c, int i) -> QVariant { return c.ItemBackColor(i); },
         [](C& c, int id, int i, V v) {
             c.SetItemBackColor(i, qint32(toColor(id, v)));
         }},
        {Id::ItemForeColor, [](const C& c, int i) { c.checkIndex(i, "ItemForeColor"); },
         [](const C& c, int i) -> QVariant { return c.ItemForeColor(i); },
         [](C& c, int id, int i, V v) {
             c.SetItemForeColor(i, qint32(toColor(id, v)));
         }},
        {Id::ItemFont, [](const C& c, int i) { c.checkIndex(i, "ItemFont"); },
         [](const C& c, int i) -> QVariant { return c.ItemFont(i); },
         [](C& c, int id, int i, V v) {
             c.SetItemFont(i, toFont(id, v));
         }},
        {Id::ItemImage, [](const C& c, int i) { c.checkIndex(i, "ItemImage"); },
         [](const C& c, int i) -> QVariant {
             const QPixmap picture = c.ItemImage(i);
             return picture.isNull() ? QVariant() : QVariant(picture);
         },
         [](C& c, int id, int i, V v) {
             c.SetItemImage(i, toPicture(id, v));
         }},
        {Id::ItemData, [](const C& c, int i) { c.checkIndex(i, "ItemData"); },
         [](const C& c, int i) -> QVariant { return c.ItemData(i); },
         [](C& c, int id, int i, V v) {
             c.SetItemData(i, toLong(id, v));
         }},
    };
    return table;
}

template <typename Access>
const Access* VantelDispatch::find(const std::vector<Access>& table, int dispId) {
    for (const Access& a : table)
        if (a.dispId == dispId)
            return &a;
    return nullptr;
}

const VantelDispatch::PlainAccess* VantelDispatch::findPlain(int dispId) {
    if (const PlainAccess* p = find(plainProperties(), dispId))
        return p;
    return find(stockProperties(), dispId);
}

QVariant VantelDispatch::get(int dispId, const QVariantList& indices) const {
    if (const PlainAccess* p = findPlain(dispId)) {
        expectCount(dispId, indices, 0);
        return p->get(m_control);
    }
    if (const IndexedAccess* p = find(indexedProperties(), dispId)) {
        expectCount(dispId, indices, 1);
        return p->get(m_control, toLong(dispId, indices.at(0)));
    }
    throw VantelError(VantelError::NoSuchMember,
                      QStringLiteral("%1 cannot be read").arg(nameOfId(dispId)));
}

void VantelDispatch::set(int dispId, const QVariantList& args) {
    if (const PlainAccess* p = findPlain(dispId)) {
        if (!p->set)
            throw VantelError(VantelError::CannotSet,
                              QStringLiteral("%1 is read-only").arg(nameOfId(dispId)));
        expectCount(dispId, args, 1);
        p->set(m_control, dispId, args.at(0));
        return;
    }
    if (const IndexedAccess* p = find(indexedProperties(), dispId)) {
        expectCount(dispId, args, 2);
        const int index = toLong(dispId, args.at(0));
        p->check(m_control, index);
        p->set(m_control, dispId, index, args.at(1));
        return;
    }
    throw VantelError(VantelError::NoSuchMember,
                      QStringLiteral("%1 cannot be set").arg(nameOfId(dispId)));
}

QVariant VantelDispatch::call(int dispId, const QVariantList& args) {
    CVantelCtrl& c = m_control;
    switch (dispId) {
    case Id::RemoveItem:
        expectCount(dispId, args, 1);
        c.RemoveItem(toLong(dispId, args.at(0)));
        return QVariant();
    case Id::Clear:
        expectCount(dispId, args, 0);
        c.Clear();
        return QVariant();
    case Id::AddItem:
        if (args.isEmpty() || args.size() > 2)
            throw wrongArguments(dispId, args.size());
        c.AddItem(toText(dispId, args.at(0)), args.size() == 2 ? args.at(1) : QVariant());
        return QVariant();
    case Id::Refresh:
        expectCount(dispId, args, 0);
        c.Refresh();
        return QVariant();
    case Id::AboutBox:
        expectCount(dispId, args, 0);
        c.AboutBox();
        return QVariant();
    default:
        return get(dispId, args);
    }
}

void VantelDispatch::connectEvents(CVantelCtrl& control, EventHandler handler) {
    auto h = std::make_shared<EventHandler>(std::move(handler));
    QObject::connect(&control, &CVantelCtrl::Click, &control, [h] {
        QVariantList p;
        (*h)(Id::Click, p);
    });
    QObject::connect(&control, &CVantelCtrl::DblClick, &control, [h] {
        QVariantList p;
        (*h)(Id::DblClick, p);
    });
    const auto keyEvent = [h](int id) {
        return [h, id](short& keyCode, short shift) {
            QVariantList p{keyCode, shift};
            (*h)(id, p);
            if (!p.isEmpty())
                keyCode = short(p.at(0).toInt());
        };
    };
    QObject::connect(&control, &CVantelCtrl::KeyDown, &control, keyEvent(Id::KeyDown));
    QObject::connect(&control, &CVantelCtrl::KeyUp, &control, keyEvent(Id::KeyUp));
    QObject::connect(&control, &CVantelCtrl::KeyPress, &control, [h](short& keyAscii) {
        QVariantList p{keyAscii};
        (*h)(Id::KeyPress, p);
        if (!p.isEmpty())
            keyAscii = short(p.at(0).toInt());
    });
    const auto mouseEvent = [h](int id) {
        return [h, id](short button, short shift, int x, int y) {
            QVariantList p{button, shift, x, y};
            (*h)(id, p);
        };
    };
    QObject::connect(&control, &CVantelCtrl::MouseDown, &control, mouseEvent(Id::MouseDown));
    QObject::connect(&control, &CVantelCtrl::MouseMove, &control, mouseEvent(Id::MouseMove));
    QObject::connect(&control, &CVantelCtrl::MouseUp, &control, mouseEvent(Id::MouseUp));
}
