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

QVariant VantelDispatch::get(int dispId, const QVariantList& indices) const {
    CVantelCtrl& c = m_control;
    const auto index = [&] {
        expectCount(dispId, indices, 1);
        return toLong(dispId, indices.at(0));
    };
    const auto plain = [&] {
        expectCount(dispId, indices, 0);
    };
    switch (dispId) {
    case Id::HScroll:
        plain();
        return c.HScroll();
    case Id::ImageOffset:
        plain();
        return c.ImageOffset();
    case Id::ItemDefHeight:
        plain();
        return c.ItemDefHeight();
    case Id::TextOffset:
        plain();
        return c.TextOffset();
    case Id::SelectStyle:
        plain();
        return c.SelectStyle();
    case Id::NumTabs:
        plain();
        return c.NumTabs();
    case Id::Columns:
        plain();
        return c.Columns();
    case Id::MultiSelect:
        plain();
        return c.MultiSelect();
    case Id::Sorted:
        plain();
        return c.Sorted();
    case Id::VerticalTextAlign:
        plain();
        return c.VerticalTextAlign();
    case Id::ListCount:
        plain();
        return c.ListCount();
    case Id::ListIndex:
        plain();
        return c.ListIndex();
    case Id::NewIndex:
        plain();
        return c.NewIndex();
    case Id::TopIndex:
        plain();
        return c.TopIndex();
    case Id::SelCount:
        plain();
        return c.SelCount();
    case Id::IntegralHeight:
        plain();
        return c.IntegralHeight();
    case Id::VerticalImageAlign:
        plain();
        return c.VerticalImageAlign();
    case Id::TabStops:
        return c.TabStops(index());
    case Id::SelectEnable:
        return c.SelectEnable(index());
    case Id::Selected:
        return c.Selected(index());
    case Id::List:
        return c.List(index());
    case Id::ItemBackColor:
        return c.ItemBackColor(index());
    case Id::ItemForeColor:
        return c.ItemForeColor(index());
    case Id::ItemFont:
        return c.ItemFont(index());
    case Id::ItemImage: {
        const QPixmap picture = c.ItemImage(index());
        return picture.isNull() ? QVariant() : QVariant(picture);
    }
    case Id::ItemData:
        return c.ItemData(index());
    case Id::DefaultBackColor:
    case Id::BackColor:
        plain();
        return c.BackColor();
    case Id::ForeColor:
        plain();
        return c.ForeColor();
    case Id::hWnd:
        plain();
        return qulonglong(quintptr(c.hWnd()));
    case Id::BorderStyle:
        plain();
        return c.BorderStyle();
    case Id::Enabled:
        plain();
        return c.Enabled();
    case Id::Font:
        plain();
        return c.Font();
    case Id::Appearance:
        plain();
        return c.Appearance();
    case Id::Text:
        plain();
        return c.Text();
    default:
        throw VantelError(VantelError::NoSuchMember,
                          QStringLiteral("%1 cannot be read").arg(nameOfId(dispId)));
    }
}

void VantelDispatch::set(int dispId, const QVariantList& args) {
    CVantelCtrl& c = m_control;
    const auto value = [&]() -> const QVariant& {
        expectCount(dispId, args, 1);
        return args.at(0);
    };
    const auto indexed = [&] {
        expectCount(dispId, args, 2);
        return toLong(dispId, args.at(0));
    };
    const auto readOnly = [&]() -> VantelError {
        return VantelError(VantelError::CannotSet,
                           QStringLiteral("%1 is read-only").arg(nameOfId(dispId)));
    };
    switch (dispId) {
    case Id::HScroll:
        c.SetHScroll(toBool(dispId, value()));
        return;
    case Id::ImageOffset:
        c.SetImageOffset(toShort(dispId, value()));
        return;
    case Id::ItemDefHeight:
        c.SetItemDefHeight(toShort(dispId, value()));
        return;
    case Id::TextOffset:
        c.SetTextOffset(toShort(dispId, value()));
        return;
    case Id::SelectStyle:
        c.SetSelectStyle(toShort(dispId, value()));
        return;
    case Id::NumTabs:
        c.SetNumTabs(toShort(dispId, value()));
        return;
    case Id::Columns:
        c.SetColumns(toShort(dispId, value()));
        return;
    case Id::MultiSelect:
        c.SetMultiSelect(toShort(dispId, value()));
        return;
    case Id::Sorted:
        c.SetSorted(toBool(dispId, value()));
        return;
    case Id::VerticalTextAlign:
        c.SetVerticalTextAlign(toShort(dispId, value()));
        return;
    case Id::ListIndex:
        c.SetListIndex(toLong(dispId, value()));
        return;
    case Id::TopIndex:
        c.SetTopIndex(toLong(dispId, value()));
        return;
    case Id::IntegralHeight:
        c.SetIntegralHeight(toBool(dispId, value()));
        return;
    case Id::VerticalImageAlign:
        c.SetVerticalImageAlign(toShort(dispId, value()));
        return;
    case Id::ListCount:
    case Id::NewIndex:
    case Id::SelCount:
    case Id::Text:
    case Id::hWnd:
        throw readOnly();
    case Id::TabStops: {
        const int i = indexed();
        c.SetTabStops(i, toShort(dispId, args.at(1)));
        return;
    }
    case Id::SelectEnable: {
        const int i = indexed();
        c.SetSelectEnable(i, toBool(dispId, args.at(1)));
        return;
    }
    case Id::Selected: {
        const int i = indexed();
        c.SetSelected(i, toBool(dispId, args.at(1)));
        return;
    }
    case Id::List: {
        const int i = indexed();
        c.SetList(i, toText(dispId, args.at(1)));
        return;
    }
    case Id::ItemBackColor: {
        const int i = indexed();
        c.SetItemBackColor(i, qint32(toColor(dispId, args.at(1))));
        return;
    }
    case Id::ItemForeColor: {
        const int i = indexed();
        c.SetItemForeColor(i, qint32(toColor(dispId, args.at(1))));
        return;
    }
    case Id::ItemFont: {
        const int i = indexed();
        c.SetItemFont(i, toFont(dispId, args.at(1)));
        return;
    }
    case Id::ItemImage: {
        const int i = indexed();
        c.SetItemImage(i, toPicture(dispId, args.at(1)));
        return;
    }
    case Id::ItemData: {
        const int i = indexed();
        c.SetItemData(i, toLong(dispId, args.at(1)));
        return;
    }
    case Id::DefaultBackColor:
    case Id::BackColor:
        c.SetBackColor(toColor(dispId, value()));
        return;
    case Id::ForeColor:
        c.SetForeColor(toColor(dispId, value()));
        return;
    case Id::BorderStyle:
        c.SetBorderStyle(toShort(dispId, value()));
        return;
    case Id::Enabled:
        c.SetEnabled(toBool(dispId, value()));
        return;
    case Id::Font: {
        const auto font = toFont(dispId, value());
        if (!font)
            throw typeMismatch(dispId, value());
        c.SetFont(*font);
        return;
    }
    case Id::Appearance:
        c.SetAppearance(toShort(dispId, value()));
        return;
    default:
        throw VantelError(VantelError::NoSuchMember,
                          QStringLiteral("%1 cannot be set").arg(nameOfId(dispId)));
    }
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
