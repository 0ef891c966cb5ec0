// Self-registration: what DllRegisterServer records in the per-user
// registry and DllUnregisterServer takes away again.
#include "vantel/vantelids.h"
#include "vantel/vantelmodule.h"
#include "vantel/vantelregistry.h"
#include "vantel/vanteltypelib.h"
#include "vantelmodulepath.h"

#include <QFileInfo>
#include <QLocale>

namespace {

QString g(const QUuid& id) {
    return VantelRegistry::guidText(id);
}

QString versionText() {
    return QStringLiteral("%1.%2").arg(VantelIds::VersionMajor).arg(VantelIds::VersionMinor);
}

QString typeLibKey(const QUuid& libId) {
    return QStringLiteral("TypeLib\\") + g(libId);
}

QString classKey(const QUuid& clsid) {
    return QStringLiteral("CLSID\\") + g(clsid);
}

void registerTypeLib(VantelRegistry& reg, const VantelTypeLib& lib, const QString& module) {
    const QString key = QStringLiteral("%1\\%2.%3")
                            .arg(typeLibKey(lib.id()))
                            .arg(lib.versionMajor())
                            .arg(lib.versionMinor());
    reg.setValue(key, QString(), lib.description());
    reg.setValue(key + QStringLiteral("\\0\\linux"), QString(), module);
    reg.setValue(key + QStringLiteral("\\FLAGS"), QString(), QStringLiteral("0"));
    reg.setValue(key + QStringLiteral("\\HELPDIR"), QString(), QFileInfo(module).absolutePath());
    for (const VantelTypeLib::Interface& i : lib.interfaces()) {
        const QString ikey = QStringLiteral("Interface\\") + g(i.id);
        reg.setValue(ikey, QString(), i.name);
        reg.setValue(ikey + QStringLiteral("\\ProxyStubClsid32"), QString(),
                     g(VantelIds::DispatchProxy));
        reg.setValue(ikey + QStringLiteral("\\TypeLib"), QString(), g(lib.id()));
        reg.setValue(ikey + QStringLiteral("\\TypeLib"), QStringLiteral("Version"),
                     QStringLiteral("%1.%2").arg(lib.versionMajor()).arg(lib.versionMinor()));
    }
}

void unregisterTypeLib(VantelRegistry& reg, const VantelTypeLib& lib) {
    for (const VantelTypeLib::Interface& i : lib.interfaces())
        reg.removeKey(QStringLiteral("Interface\\") + g(i.id));
    reg.removeKey(QStringLiteral("%1\\%2.%3")
                      .arg(typeLibKey(lib.id()))
                      .arg(lib.versionMajor())
                      .arg(lib.versionMinor()));
}

void registerControlClass(VantelRegistry& reg, const QString& module) {
    const QString key = classKey(VantelIds::ControlClass);
    const QString progId = QLatin1String(VantelIds::ControlProgId);
    reg.setValue(key, QString(), QLatin1String(VantelIds::ControlTypeName));
    reg.setValue(key + QStringLiteral("\\InprocServer32"), QString(), module);
    reg.setValue(key + QStringLiteral("\\ProgID"), QString(), progId);
    reg.createKey(key + QStringLiteral("\\Control"));
    reg.setValue(key + QStringLiteral("\\ToolboxBitmap32"), QString(),
                 QStringLiteral("%1, %2").arg(module).arg(VantelIds::ToolboxBitmapResource));
    reg.setValue(key + QStringLiteral("\\MiscStatus"), QString(), QStringLiteral("0"));
    reg.setValue(key + QStringLiteral("\\MiscStatus\\1"), QString(),
                 QString::number(VantelIds::MiscStatus));
    reg.setValue(key + QStringLiteral("\\TypeLib"), QString(), g(VantelIds::TypeLibrary));
    reg.setValue(key + QStringLiteral("\\Version"), QString(), versionText());
    reg.setValue(progId, QString(), QLatin1String(VantelIds::ControlTypeName));
    reg.setValue(progId + QStringLiteral("\\CLSID"), QString(), g(VantelIds::ControlClass));
}

void registerPageClass(VantelRegistry& reg, const QString& module) {
    const QString key = classKey(VantelIds::PropertyPage);
    reg.setValue(key, QString(), QLatin1String(VantelIds::PropertyPageTypeName));
    reg.setValue(key + QStringLiteral("\\InprocServer32"), QString(), module);
}

} // namespace

extern "C" VantelResult DllRegisterServer(void) {
    const QString module = vantelModulePath();
    const auto lib = VantelTypeLib::fromModule();
    VantelRegistry reg;
    if (module.isEmpty() || !lib || !reg.load())
        return VantelCode::SelfRegTypeLib;
    registerTypeLib(reg, *lib, module);
    if (!reg.save())
        return VantelCode::SelfRegTypeLib;

    registerControlClass(reg, module);
    registerPageClass(reg, module);
    if (!reg.save())
        return VantelCode::SelfRegClass;
    return VantelCode::Ok;
}

extern "C" VantelResult DllUnregisterServer(void) {
    // The library must be registered to be unregistered: it is found
    // through the registry, as a host would find it.
    const auto lib = VantelLoadRegTypeLib(VantelIds::TypeLibrary, VantelIds::VersionMajor,
                                          VantelIds::VersionMinor, QLocale());
    VantelRegistry reg;
    if (!lib || !reg.load())
        return VantelCode::SelfRegTypeLib;
    unregisterTypeLib(reg, *lib);
    if (!reg.save())
        return VantelCode::SelfRegTypeLib;

    reg.removeKey(classKey(VantelIds::ControlClass));
    reg.removeKey(QLatin1String(VantelIds::ControlProgId));
    reg.removeKey(classKey(VantelIds::PropertyPage));
    if (!reg.save())
        return VantelCode::SelfRegClass;
    return VantelCode::Ok;
}
