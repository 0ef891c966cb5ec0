#pragma once

#include "vantel/olecolor.h"
#include "vantel/vantelpropertypage.h"

#include <QDialog>
#include <QMap>
#include <QPointer>

class CVantelCtrl;
class QCheckBox;
class QComboBox;
class QFontComboBox;
class QListWidget;
class QSpinBox;

// The stock "Font" page: the control's Font property.
class VantelFontPage : public QDialog, public VantelPropertyPage {
    Q_OBJECT
public:
    explicit VantelFontPage(QWidget* parent = nullptr);
    QString caption() const override { return QStringLiteral("Font"); }
    void setObjects(const QList<CVantelCtrl*>& controls) override;
    bool isDirty() const override { return m_dirty; }
    bool apply() override;

private:
    void changed();
    QList<QPointer<CVantelCtrl>> m_controls;
    QFontComboBox* m_family;
    QSpinBox* m_size;
    QCheckBox* m_bold;
    QCheckBox* m_italic;
    QCheckBox* m_underline;
    QCheckBox* m_strikeOut;
    bool m_dirty = false;
    bool m_filling = false;
};

// The stock "Color" page: the control's BackColor and ForeColor.
class VantelColorPage : public QDialog, public VantelPropertyPage {
    Q_OBJECT
public:
    explicit VantelColorPage(QWidget* parent = nullptr);
    QString caption() const override { return QStringLiteral("Color"); }
    void setObjects(const QList<CVantelCtrl*>& controls) override;
    bool isDirty() const override { return !m_pending.isEmpty(); }
    bool apply() override;

private:
    void showProperty();
    QList<QPointer<CVantelCtrl>> m_controls;
    QComboBox* m_property;
    QListWidget* m_colors;
    QMap<QString, OleColor> m_current;
    QMap<QString, OleColor> m_pending;
    bool m_filling = false;
};
