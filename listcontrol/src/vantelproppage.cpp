#include "vantel/vantelproppage.h"
#include "vantel/vantelctrl.h"
#include "vantel/vanteldispatch.h"
#include "vantel/vantelfactory.h"
#include "vanteldialogunits.h"
#include "vantelmodulestate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace {

// One field of the page. The table is in exchange order.
struct Field {
    enum Kind { Edit, Combo, SortedCombo, Check };
    int id;
    const char* property;
    Kind kind;
    QRect label; // dialog units; empty for a check box, which carries its text
    QRect box;   // dialog units
    QStringList items;
};

using F = CVantelPropPage;

const QStringList alignItems = {QStringLiteral("0 - Top"), QStringLiteral("1 - Center"),
                                QStringLiteral("2 - Bottom")};

const std::array<Field, 10>& fields() {
    static const std::array<Field, 10> table = {{
        {F::IdHScroll, "HScroll", Field::Check, QRect(), QRect(167, 67, 50, 10), {}},
        {F::IdItemDefHeight,
         "ItemDefHeight",
         Field::Edit,
         QRect(7, 67, 66, 12),
         QRect(75, 67, 46, 12),
         {}},
        {F::IdImageOffset,
         "ImageOffset",
         Field::Edit,
         QRect(7, 7, 66, 12),
         QRect(75, 7, 40, 12),
         {}},
        {F::IdTextOffset,
         "TextOffset",
         Field::Edit,
         QRect(166, 7, 62, 12),
         QRect(229, 7, 40, 12),
         {}},
        {F::IdSelectStyle,
         "SelectStyle",
         Field::Combo,
         QRect(7, 47, 66, 12),
         QRect(75, 47, 72, 48),
         {QStringLiteral("0 - Invert"), QStringLiteral("1 - Standard")}},
        {F::IdVerticalImageAlign, "VerticalImageAlign", Field::Combo, QRect(7, 27, 66, 12),
         QRect(75, 27, 72, 48), alignItems},
        {F::IdVerticalTextAlign, "VerticalTextAlign", Field::SortedCombo, QRect(166, 27, 62, 12),
         QRect(229, 27, 72, 48), alignItems},
        {F::IdColumns, "Columns", Field::Edit, QRect(7, 87, 66, 12), QRect(75, 87, 46, 12), {}},
        {F::IdSorted, "Sorted", Field::Check, QRect(), QRect(167, 84, 50, 10), {}},
        {F::IdMultiSelect,
         "MultiSelect",
         Field::SortedCombo,
         QRect(166, 47, 62, 12),
         QRect(229, 47, 72, 48),
         {QStringLiteral("0 - None"), QStringLiteral("1 - Simple"),
          QStringLiteral("2 - Extended")}},
    }};
    return table;
}

// The texts of the labels and check boxes.
QString labelText(const char* property) {
    const QString name = QLatin1String(property);
    return name == QLatin1String("HScroll") ? QStringLiteral("Hscroll") : name;
}

} // namespace

CVantelPropPage::CVantelPropPage(QWidget* parent)
    : QDialog(parent) {
    vantelObjectCreated();
    setWindowTitle(QStringLiteral("Vantel Property Page"));
    setFont(vantelDialogFont());
    build();
}

CVantelPropPage::~CVantelPropPage() {
    vantelObjectDestroyed();
}

QString CVantelPropPage::caption() const {
    return QStringLiteral("General");
}

void CVantelPropPage::build() {
    const VantelDialogUnits du(font());
    setFixedSize(du.size(329, 116));
    for (size_t slot = 0; slot < fields().size(); ++slot) {
        const Field& f = fields()[slot];
        const auto changed = [this, slot] {
            markDirty(int(slot));
        };
        QWidget* widget = nullptr;
        switch (f.kind) {
        case Field::Edit: {
            auto* edit = new QLineEdit(this);
            connect(edit, &QLineEdit::textChanged, this, changed);
            widget = edit;
            break;
        }
        case Field::Combo:
        case Field::SortedCombo: {
            auto* combo = new QComboBox(this);
            combo->addItems(f.items);
            if (f.kind == Field::SortedCombo)
                combo->model()->sort(0);
            // The drop-down shows what fits in the box's full height.
            combo->setMaxVisibleItems(std::max(1, du.y(f.box.height() - 12) / du.y(8)));
            connect(combo, &QComboBox::currentIndexChanged, this, changed);
            widget = combo;
            break;
        }
        case Field::Check: {
            auto* check = new QCheckBox(labelText(f.property), this);
            connect(check, &QCheckBox::toggled, this, changed);
            widget = check;
            break;
        }
        }
        widget->setObjectName(QLatin1String(f.property));
        widget->setProperty("controlId", f.id);
        const int height =
            f.kind == Field::Combo || f.kind == Field::SortedCombo ? 12 : f.box.height();
        widget->setGeometry(du.rect(f.box.x(), f.box.y(), f.box.width(), height));
        m_widgets[slot] = widget;
        if (!f.label.isEmpty()) {
            auto* label = new QLabel(labelText(f.property), this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            label->setGeometry(
                du.rect(f.label.x(), f.label.y(), f.label.width(), f.label.height()));
            label->setBuddy(widget);
        }
    }
    exchangeToFields();
}

QWidget* CVantelPropPage::field(int controlId) const {
    for (size_t slot = 0; slot < fields().size(); ++slot) {
        if (fields()[slot].id == controlId)
            return m_widgets[slot];
    }
    return nullptr;
}

int CVantelPropPage::fieldValue(int controlId) const {
    for (size_t slot = 0; slot < fields().size(); ++slot) {
        if (fields()[slot].id == controlId)
            return m_values[slot];
    }
    return 0;
}

void CVantelPropPage::setObjects(const QList<CVantelCtrl*>& controls) {
    m_controls.clear();
    for (CVantelCtrl* c : controls)
        m_controls.append(c);
    if (!controls.isEmpty()) {
        VantelDispatch first(*controls.first());
        for (size_t slot = 0; slot < fields().size(); ++slot)
            m_values[slot] = first.get(QLatin1String(fields()[slot].property)).toInt();
    }
    exchangeToFields();
}

void CVantelPropPage::exchangeToFields() {
    m_filling = true;
    for (size_t slot = 0; slot < fields().size(); ++slot) {
        QWidget* w = m_widgets[slot];
        const int value = m_values[slot];
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->setText(QString::number(value));
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : -1);
        else if (auto* check = qobject_cast<QCheckBox*>(w))
            check->setChecked(value != 0);
    }
    m_changed.fill(false);
    m_filling = false;
    emit dirtyChanged(false);
}

void CVantelPropPage::markDirty(int slot) {
    if (m_filling)
        return;
    const bool wasDirty = isDirty();
    m_changed[size_t(slot)] = true;
    if (!wasDirty)
        emit dirtyChanged(true);
}

bool CVantelPropPage::isDirty() const {
    return std::find(m_changed.begin(), m_changed.end(), true) != m_changed.end();
}

bool CVantelPropPage::apply() {
    m_lastError.clear();
    if (!exchangeFromFields())
        return false;
    m_changed.fill(false);
    emit dirtyChanged(false);
    return true;
}

bool CVantelPropPage::exchangeFromFields() {
    for (size_t slot = 0; slot < fields().size(); ++slot) {
        if (!m_changed[slot])
            continue;
        const Field& f = fields()[slot];
        QWidget* w = m_widgets[slot];
        QVariant value;
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            bool ok = false;
            const int number = edit->text().trimmed().toInt(&ok);
            if (!ok || number < -32768 || number > 32767) {
                edit->setFocus();
                reportError(QStringLiteral("%1: please enter a whole number between -32768 and "
                                           "32767.")
                                .arg(labelText(f.property)));
                return false;
            }
            m_values[slot] = number;
            value = short(number);
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            m_values[slot] = combo->currentIndex();
            value = short(m_values[slot]);
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            m_values[slot] = check->isChecked() ? 1 : 0;
            value = check->isChecked();
        }
        for (const QPointer<CVantelCtrl>& control : m_controls) {
            if (!control)
                continue;
            try {
                VantelDispatch(*control).set(QLatin1String(f.property), {value});
            } catch (const VantelError& e) {
                w->setFocus();
                reportError(e.description());
                return false;
            }
        }
        m_changed[slot] = false;
    }
    return true;
}

void CVantelPropPage::reportError(const QString& text) {
    m_lastError = text;
    if (m_errorBox)
        m_errorBox->deleteLater();
    m_errorBox = new QMessageBox(QMessageBox::Critical, windowTitle(), text, QMessageBox::Ok, this);
    m_errorBox->setAttribute(Qt::WA_DeleteOnClose);
    m_errorBox->open();
}
