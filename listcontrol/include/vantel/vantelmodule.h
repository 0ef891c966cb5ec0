#pragma once

#include <QtGlobal>
#include <cstdint>

// The entry points of libvantel.so. A host that loads the module by path
// resolves them by name; they are plain C functions.

// Result codes, as the component object model has them (negative: failure).
using VantelResult = std::int32_t;
namespace VantelCode {
inline constexpr VantelResult Ok = 0;
inline constexpr VantelResult False = 1;
inline constexpr VantelResult NoInterface = VantelResult(0x80004002u);
inline constexpr VantelResult Pointer = VantelResult(0x80004003u);
inline constexpr VantelResult NoAggregation = VantelResult(0x80040110u);
inline constexpr VantelResult ClassNotAvailable = VantelResult(0x80040111u);
inline constexpr VantelResult SelfRegTypeLib = VantelResult(0x80040200u);
inline constexpr VantelResult SelfRegClass = VantelResult(0x80040201u);
inline constexpr VantelResult LibNotRegistered = VantelResult(0x8002801Du);
inline constexpr VantelResult CantLoadLibrary = VantelResult(0x80029C4Au);
inline constexpr VantelResult OutOfMemory = VantelResult(0x8007000Eu);
} // namespace VantelCode

// A class or interface identifier in the component object model's layout
// (the same as QUuid's).
struct VantelGuid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

extern "C" {
// Registers the type library, then the control and property page classes,
// in the per-user registry file. 0, or 0x80040200 when the type library
// could not be registered (no class is then registered), 0x80040201 when a
// class could not be.
Q_DECL_EXPORT VantelResult DllRegisterServer(void);
// Removes the type library (by identifier and version 1.0), then both
// classes. Same results as DllRegisterServer.
Q_DECL_EXPORT VantelResult DllUnregisterServer(void);
// Hands out the class factory (a VantelClassFactory*) of the control or the
// property page class. iid is ClassFactoryInterface or UnknownInterface.
Q_DECL_EXPORT VantelResult DllGetClassObject(const VantelGuid* clsid, const VantelGuid* iid,
                                             void** object);
// 0 when no object of the module exists and no lock is held, 1 otherwise.
Q_DECL_EXPORT VantelResult DllCanUnloadNow(void);

// The module's resources by type and number ("TYPELIB" 1, "VERSION" 1,
// "BITMAP" 1, "ICON" 201): 0 with data and size set, or ClassNotAvailable
// when there is no such resource. The data stays valid while the module is
// loaded.
Q_DECL_EXPORT VantelResult VantelModuleResource(const char* type, int number, const char** data,
                                                qint64* size);
}
