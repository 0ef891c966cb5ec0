#pragma once

#include "vantel/vantelpropertypage.h"

#include <QDialog>
#include <QPointer>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMessageBox;

// The control's own property page ("General"): ten fields, one for each of
// the custom properties a design environment edits, bound to them by their
// automation names. The page reads the first control's properties when it
// is given its controls and writes the fields the user changed back to all
// of them on apply().
class CVantelPropPage : public QDialog, public VantelPropertyPage {
    Q_OBJECT
public:
    // The dialog's control identifiers.
    enum ControlId {
        IdImageOffset = 203,
        IdHScroll = 204,
        IdSelectStyle = 205,
        IdTextOffset = 206,
        IdVerticalImageAlign = 207,
        IdVerticalTextAlign = 208,
        IdItemDefHeight = 209,
        IdSorted = 210,
        IdColumns = 211,
        IdMultiSelect = 212,
    };

    explicit CVantelPropPage(QWidget* parent = nullptr);
    ~CVantelPropPage() override;

    QString caption() const override;
    void setObjects(const QList<CVantelCtrl*>& controls) override;
    bool isDirty() const override;
    bool apply() override;

    // The field widget with a control identifier (nullptr for another).
    QWidget* field(int controlId) const;
    // The value held for a field (after the last exchange).
    int fieldValue(int controlId) const;
    // The description of the last value a control rejected.
    QString lastError() const { return m_lastError; }

signals:
    void dirtyChanged(bool dirty);

private:
    void build();
    void exchangeToFields();
    bool exchangeFromFields();
    void markDirty(int slot);
    void reportError(const QString& text);

    QList<QPointer<CVantelCtrl>> m_controls;
    std::array<int, 10> m_values{}; // one integer per field, 0 when created
    std::array<bool, 10> m_changed{};
    std::array<QWidget*, 10> m_widgets{};
    bool m_filling = false;
    QString m_lastError;
    QPointer<QMessageBox> m_errorBox;
};
