#pragma once

#include <QDialog>
#include <QList>
#include <QUuid>

class CVantelCtrl;
class QDialogButtonBox;
class QPushButton;
class QTabWidget;
class VantelPropertyPage;

// The frame the Properties verb opens: the pages a control offers, as tabs
// in their order, with OK, Cancel and Apply.
class VantelPropertyFrame : public QDialog {
    Q_OBJECT
public:
    // Creates each page in pageIds (the module's own page through its class
    // factory, the stock font and colour pages directly) for controls.
    VantelPropertyFrame(const QList<CVantelCtrl*>& controls, const QList<QUuid>& pageIds,
                        QWidget* parent = nullptr);

    int pageCount() const;
    QWidget* page(int index) const;
    QTabWidget* tabs() const { return m_tabs; }
    QPushButton* applyButton() const { return m_apply; }
    // Applies every page; false when one reported a rejected value.
    bool applyAll();

private:
    QTabWidget* m_tabs;
    QDialogButtonBox* m_buttons;
    QPushButton* m_apply;
    QList<VantelPropertyPage*> m_pages;
};
