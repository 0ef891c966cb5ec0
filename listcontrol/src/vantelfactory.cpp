#include "vantel/vantelfactory.h"
#include "vantel/vantelctrl.h"
#include "vantel/vantelids.h"
#include "vantel/vantelproppage.h"
#include "vantelmodulestate.h"

#include <atomic>
#include <new>

namespace {

std::atomic<int> g_objects{0};
std::atomic<int> g_locks{0};

class FactoryBase : public VantelClassFactory {
public:
    VantelResult LockServer(bool lock) override {
        if (lock)
            ++g_locks;
        else if (g_locks > 0)
            --g_locks;
        return VantelCode::Ok;
    }
};

class ControlFactory final : public FactoryBase {
public:
    QUuid classId() const override { return VantelIds::ControlClass; }
    VantelResult CreateInstance(QWidget* parent, const VantelSite& site,
                                QWidget** object) override {
        if (!object)
            return VantelCode::Pointer;
        *object = nullptr;
        CVantelCtrl* control = nullptr;
        try {
            control = new CVantelCtrl(parent);
            control->SetClientSite(site);
            control->ResetState();
        } catch (const std::bad_alloc&) {
            delete control;
            return VantelCode::OutOfMemory;
        }
        *object = control;
        return VantelCode::Ok;
    }
};

class PageFactory final : public FactoryBase {
public:
    QUuid classId() const override { return VantelIds::PropertyPage; }
    VantelResult CreateInstance(QWidget* parent, const VantelSite&, QWidget** object) override {
        if (!object)
            return VantelCode::Pointer;
        *object = nullptr;
        try {
            *object = new CVantelPropPage(parent);
        } catch (const std::bad_alloc&) {
            return VantelCode::OutOfMemory;
        }
        return VantelCode::Ok;
    }
};

ControlFactory g_controlFactory;
PageFactory g_pageFactory;

} // namespace

void vantelObjectCreated() {
    ++g_objects;
}

void vantelObjectDestroyed() {
    --g_objects;
}

int vantelObjectCount() {
    return g_objects;
}

int vantelLockCount() {
    return g_locks;
}

VantelGuid toVantelGuid(const QUuid& id) {
    VantelGuid g{id.data1, id.data2, id.data3, {}};
    for (int i = 0; i < 8; ++i)
        g.data4[i] = id.data4[i];
    return g;
}

QUuid fromVantelGuid(const VantelGuid& g) {
    return QUuid(g.data1, g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                 g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
}

VantelClassFactory* vantelClassFactory(const QUuid& clsid) {
    const VantelGuid cls = toVantelGuid(clsid);
    const VantelGuid iid = toVantelGuid(VantelIds::ClassFactoryInterface);
    void* factory = nullptr;
    if (DllGetClassObject(&cls, &iid, &factory) != VantelCode::Ok)
        return nullptr;
    return static_cast<VantelClassFactory*>(factory);
}

extern "C" VantelResult DllGetClassObject(const VantelGuid* clsid, const VantelGuid* iid,
                                          void** object) {
    if (!object)
        return VantelCode::Pointer;
    *object = nullptr;
    if (!clsid || !iid)
        return VantelCode::Pointer;
    VantelClassFactory* factory = nullptr;
    const QUuid cls = fromVantelGuid(*clsid);
    if (cls == VantelIds::ControlClass)
        factory = &g_controlFactory;
    else if (cls == VantelIds::PropertyPage)
        factory = &g_pageFactory;
    else
        return VantelCode::ClassNotAvailable;
    const QUuid interface = fromVantelGuid(*iid);
    if (interface != VantelIds::ClassFactoryInterface && interface != VantelIds::UnknownInterface)
        return VantelCode::NoInterface;
    *object = factory;
    return VantelCode::Ok;
}

extern "C" VantelResult DllCanUnloadNow(void) {
    return g_objects == 0 && g_locks == 0 ? VantelCode::Ok : VantelCode::False;
}
