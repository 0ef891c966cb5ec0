#pragma once

#include <QList>
#include <QString>

class CVantelCtrl;

// What a property frame needs of each of its pages.
class VantelPropertyPage {
public:
    virtual ~VantelPropertyPage() = default;
    // The tab caption.
    virtual QString caption() const = 0;
    // The controls being edited: the page shows the first one's properties.
    virtual void setObjects(const QList<CVantelCtrl*>& controls) = 0;
    // Whether a field was changed since the page was filled or applied.
    virtual bool isDirty() const = 0;
    // Writes the changed fields to every control; false when a control
    // rejected a value (the page has then reported it).
    virtual bool apply() = 0;
};
