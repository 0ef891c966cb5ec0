#pragma once

#include "vantel/vantelmodule.h"

#include <QString>
#include <QUuid>

class QWidget;

// What the container tells an object before its window exists.
struct VantelSite {
    bool userMode = true; // false in a design environment
    QString displayName;  // the container's name for the object
};

// The class factory DllGetClassObject hands out, one per class of the
// module. Factories live as long as the module; callers do not free them.
class VantelClassFactory {
public:
    virtual QUuid classId() const = 0;
    // Creates an object of the class (a CVantelCtrl or a CVantelPropPage)
    // as a child of parent, or as a window when parent is null. The caller
    // owns it. OutOfMemory when it cannot be made.
    virtual VantelResult CreateInstance(QWidget* parent, const VantelSite& site,
                                        QWidget** object) = 0;
    // Keeps the module loaded (lock) or releases one such lock.
    virtual VantelResult LockServer(bool lock) = 0;

protected:
    ~VantelClassFactory() = default;
};

// The factory of clsid, or nullptr when the module has no such class.
// Wraps DllGetClassObject for C++ callers.
VantelClassFactory* vantelClassFactory(const QUuid& clsid);

// Module lifetime: every object of the module holds one count while it
// exists. DllCanUnloadNow reports 0 only when objects and locks are 0.
int vantelObjectCount();
int vantelLockCount();

// Converts between the C layout and QUuid.
VantelGuid toVantelGuid(const QUuid& id);
QUuid fromVantelGuid(const VantelGuid& id);
