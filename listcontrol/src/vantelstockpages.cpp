#include "vantelstockpages.h"
#include "vantel/vantelctrl.h"
#include "vantel/vanteldispatch.h"
#include "vanteldialogunits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

void report(QWidget* page, const VantelError& e) {
    auto* box = new QMessageBox(QMessageBox::Critical, page->windowTitle(), e.description(),
                                QMessageBox::Ok, page);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

struct NamedColor {
    const char* name;
    OleColor color;
};

const NamedColor namedColors[] = {
    {"Window Background", SysColor::Window},
    {"Window Text", SysColor::WindowText},
    {"Button Face", SysColor::ButtonFace},
    {"Button Text", SysColor::ButtonText},
    {"Highlight", SysColor::Highlight},
    {"Highlight Text", SysColor::HighlightText},
    {"Gray Text", SysColor::GrayText},
    {"Black", oleRgb(0, 0, 0)},
    {"Blue", oleRgb(0, 0, 255)},
    {"Cyan", oleRgb(0, 255, 255)},
    {"Green", oleRgb(0, 255, 0)},
    {"Magenta", oleRgb(255, 0, 255)},
    {"Red", oleRgb(255, 0, 0)},
    {"Yellow", oleRgb(255, 255, 0)},
    {"White", oleRgb(255, 255, 255)},
    {"Dark Blue", oleRgb(0, 0, 128)},
    {"Dark Cyan", oleRgb(0, 128, 128)},
    {"Dark Green", oleRgb(0, 128, 0)},
    {"Dark Magenta", oleRgb(128, 0, 128)},
    {"Dark Red", oleRgb(128, 0, 0)},
    {"Brown", oleRgb(128, 128, 0)},
    {"Dark Gray", oleRgb(128, 128, 128)},
    {"Light Gray", oleRgb(192, 192, 192)},
};

} // namespace

// --- font ----------------------------------------------------------------------

VantelFontPage::VantelFontPage(QWidget* parent)
    : QDialog(parent)
    , m_family(new QFontComboBox(this))
    , m_size(new QSpinBox(this))
    , m_bold(new QCheckBox(QStringLiteral("Bold"), this))
    , m_italic(new QCheckBox(QStringLiteral("Italic"), this))
    , m_underline(new QCheckBox(QStringLiteral("Underline"), this))
    , m_strikeOut(new QCheckBox(QStringLiteral("Strikeout"), this)) {
    setWindowTitle(QStringLiteral("Font"));
    setFont(vantelDialogFont());
    m_size->setRange(1, 400);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Property:"), new QLabel(QStringLiteral("Font"), this));
    form->addRow(QStringLiteral("Font:"), m_family);
    form->addRow(QStringLiteral("Size:"), m_size);
    auto* effects = new QHBoxLayout;
    for (QCheckBox* box : {m_bold, m_italic, m_underline, m_strikeOut}) {
        effects->addWidget(box);
        connect(box, &QCheckBox::toggled, this, &VantelFontPage::changed);
    }
    form->addRow(QStringLiteral("Effects:"), effects);
    connect(m_family, &QFontComboBox::currentFontChanged, this, &VantelFontPage::changed);
    connect(m_size, &QSpinBox::valueChanged, this, &VantelFontPage::changed);
}

void VantelFontPage::changed() {
    if (!m_filling)
        m_dirty = true;
}

void VantelFontPage::setObjects(const QList<CVantelCtrl*>& controls) {
    m_controls.clear();
    for (CVantelCtrl* c : controls)
        m_controls.append(c);
    if (controls.isEmpty())
        return;
    const QFont font = controls.first()->Font();
    m_filling = true;
    m_family->setCurrentFont(font);
    m_size->setValue(font.pointSize() > 0 ? font.pointSize() : 8);
    m_bold->setChecked(font.bold());
    m_italic->setChecked(font.italic());
    m_underline->setChecked(font.underline());
    m_strikeOut->setChecked(font.strikeOut());
    m_filling = false;
    m_dirty = false;
}

bool VantelFontPage::apply() {
    if (!m_dirty)
        return true;
    QFont font = m_family->currentFont();
    font.setPointSize(m_size->value());
    font.setBold(m_bold->isChecked());
    font.setItalic(m_italic->isChecked());
    font.setUnderline(m_underline->isChecked());
    font.setStrikeOut(m_strikeOut->isChecked());
    for (const QPointer<CVantelCtrl>& control : m_controls) {
        if (!control)
            continue;
        try {
            VantelDispatch(*control).set(QStringLiteral("Font"), {font});
        } catch (const VantelError& e) {
            report(this, e);
            return false;
        }
    }
    m_dirty = false;
    return true;
}

// --- colour --------------------------------------------------------------------

VantelColorPage::VantelColorPage(QWidget* parent)
    : QDialog(parent)
    , m_property(new QComboBox(this))
    , m_colors(new QListWidget(this)) {
    setWindowTitle(QStringLiteral("Color"));
    setFont(vantelDialogFont());
    m_property->addItems({QStringLiteral("BackColor"), QStringLiteral("ForeColor")});
    for (const NamedColor& c : namedColors) {
        auto* item = new QListWidgetItem(QLatin1String(c.name), m_colors);
        item->setData(Qt::UserRole, c.color);
        QPixmap swatch(12, 12);
        swatch.fill(translateOleColor(c.color, palette()));
        item->setIcon(QIcon(swatch));
    }
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Property:"), m_property);
    form->addRow(QStringLiteral("Color:"), m_colors);
    connect(m_property, &QComboBox::currentIndexChanged, this, &VantelColorPage::showProperty);
    connect(m_colors, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_filling || row < 0)
            return;
        m_pending.insert(m_property->currentText(),
                         m_colors->item(row)->data(Qt::UserRole).value<OleColor>());
    });
}

void VantelColorPage::setObjects(const QList<CVantelCtrl*>& controls) {
    m_controls.clear();
    for (CVantelCtrl* c : controls)
        m_controls.append(c);
    m_pending.clear();
    if (!controls.isEmpty()) {
        m_current.insert(QStringLiteral("BackColor"), controls.first()->BackColor());
        m_current.insert(QStringLiteral("ForeColor"), controls.first()->ForeColor());
    }
    showProperty();
}

void VantelColorPage::showProperty() {
    const QString name = m_property->currentText();
    const OleColor color = m_pending.value(name, m_current.value(name));
    m_filling = true;
    m_colors->setCurrentRow(-1);
    for (int row = 0; row < m_colors->count(); ++row) {
        if (m_colors->item(row)->data(Qt::UserRole).value<OleColor>() == color)
            m_colors->setCurrentRow(row);
    }
    m_filling = false;
}

bool VantelColorPage::apply() {
    for (auto p = m_pending.begin(); p != m_pending.end(); ++p) {
        for (const QPointer<CVantelCtrl>& control : m_controls) {
            if (!control)
                continue;
            try {
                VantelDispatch(*control).set(p.key(), {p.value()});
            } catch (const VantelError& e) {
                report(this, e);
                return false;
            }
        }
        m_current.insert(p.key(), p.value());
    }
    m_pending.clear();
    return true;
}
