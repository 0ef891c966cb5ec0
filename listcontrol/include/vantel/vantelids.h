#pragma once

#include <QUuid>
#include <cstdint>

// The identifiers of the Vantel module. Containers store the class
// identifier with every form that uses the control, so none of these values
// may ever change.
namespace VantelIds {

// Control class, dispatch interface, event interface and type library are
// one consecutive series; the property page has a value of its own.
inline const QUuid ControlClass{0x5c1e8a30, 0x2f47, 0x11d0, 0x9b, 0x6e, 0x00,
                                0x40,       0xf6,   0x1a,   0x2c, 0x85};
inline const QUuid DispatchInterface{0x5c1e8a31, 0x2f47, 0x11d0, 0x9b, 0x6e, 0x00,
                                     0x40,       0xf6,   0x1a,   0x2c, 0x85};
inline const QUuid EventInterface{0x5c1e8a32, 0x2f47, 0x11d0, 0x9b, 0x6e, 0x00,
                                  0x40,       0xf6,   0x1a,   0x2c, 0x85};
inline const QUuid TypeLibrary{0x5c1e8a33, 0x2f47, 0x11d0, 0x9b, 0x6e, 0x00,
                               0x40,       0xf6,   0x1a,   0x2c, 0x85};
inline const QUuid PropertyPage{0x9d4b7f62, 0x2f47, 0x11d0, 0x9b, 0x6e, 0x00,
                                0x40,       0xf6,   0x1a,   0x2c, 0x85};

// The stock font and colour pages a control offers beside its own.
inline const QUuid StockFontPage{0x0be35200, 0x8f91, 0x11ce, 0x9d, 0xe3, 0x00,
                                 0xaa,       0x00,   0x4b,   0xb8, 0x51};
inline const QUuid StockColorPage{0x0be35201, 0x8f91, 0x11ce, 0x9d, 0xe3, 0x00,
                                  0xaa,       0x00,   0x4b,   0xb8, 0x51};

// Interfaces a caller may ask DllGetClassObject for: the class factory
// (VantelClassFactory) and the plain object interface.
inline const QUuid ClassFactoryInterface{0x00000001, 0x0000, 0x0000, 0xc0, 0x00, 0x00,
                                         0x00,       0x00,   0x00,   0x00, 0x46};
inline const QUuid UnknownInterface{0x00000000, 0x0000, 0x0000, 0xc0, 0x00, 0x00,
                                    0x00,       0x00,   0x00,   0x00, 0x46};
// The proxy of dispatch interfaces, recorded with each registered interface.
inline const QUuid DispatchProxy{0x00020420, 0x0000, 0x0000, 0xc0, 0x00, 0x00,
                                 0x00,       0x00,   0x00,   0x00, 0x46};

inline constexpr char LibraryName[] = "VantelLib";
inline constexpr char LibraryDescription[] = "Vantel OLE Custom Control module";
inline constexpr int VersionMajor = 1;
inline constexpr int VersionMinor = 0;
inline constexpr int TypeLibResource = 1; // "TYPELIB" resource number

inline constexpr char ControlProgId[] = "VANTEL.VantelCtrl.1";
inline constexpr char ControlTypeName[] = "Vantel Control"; // string 1
inline constexpr int ToolboxBitmapResource = 1;
inline constexpr char PropertyPageProgId[] = "Vantel.VantelPropPage.1";
inline constexpr char PropertyPageTypeName[] = "Vantel Property Page"; // string 2

// Set client site first, inside-out, activate when visible, cannot link
// inside, recompose on resize.
inline constexpr std::uint32_t MiscStatus = 0x20191;

inline constexpr int AboutIconResource = 201;

} // namespace VantelIds
