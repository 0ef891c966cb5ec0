// Self-registration in a private registry file, the type library found
// through it, and the failure when the registry cannot be written.
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <vantel/vanteldispatch.h>
#include <vantel/vantelids.h>
#include <vantel/vantelmodule.h>
#include <vantel/vantelregistry.h>
#include <vantel/vanteltypelib.h>

namespace {
QString g(const QUuid& id) {
    return VantelRegistry::guidText(id);
}
} // namespace

class TestVantelRegistration : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;

private slots:
    void init() {
        m_file = m_dir.filePath(QStringLiteral("sub/registry.json"));
        QFile::remove(m_file);
        VantelRegistry::setLocation(m_file);
    }

    void registerRecordsEverythingAndUnregisterTakesItAway() {
        // An entry of another component must survive both steps.
        VantelRegistry other;
        QVERIFY(other.load());
        other.setValue(QStringLiteral("CLSID\\{00000000-1111-2222-3333-444444444444}"), QString(),
                       QStringLiteral("Other"));
        QVERIFY(other.save());

        QCOMPARE(DllRegisterServer(), VantelCode::Ok);
        VantelRegistry reg;
        QVERIFY(reg.load());
        const QString cls = QStringLiteral("CLSID\\") + g(VantelIds::ControlClass);
        const QString module = *reg.value(cls + QStringLiteral("\\InprocServer32"));
        QVERIFY(QFileInfo(module).isAbsolute());
        QVERIFY(QFileInfo(module).fileName().startsWith(QLatin1String("libvantel.so")));
        QCOMPARE(*reg.value(cls), QStringLiteral("Vantel Control"));
        QCOMPARE(*reg.value(cls + QStringLiteral("\\ProgID")),
                 QStringLiteral("VANTEL.VantelCtrl.1"));
        QVERIFY(reg.hasKey(cls + QStringLiteral("\\Control")));
        QCOMPARE(*reg.value(cls + QStringLiteral("\\ToolboxBitmap32")), module + ", 1");
        QCOMPARE(*reg.value(cls + QStringLiteral("\\MiscStatus\\1")), QString::number(0x20191));
        QCOMPARE(*reg.value(cls + QStringLiteral("\\TypeLib")), g(VantelIds::TypeLibrary));
        QCOMPARE(*reg.value(cls + QStringLiteral("\\Version")), QStringLiteral("1.0"));
        // Default flags: neither a threading model nor insertable.
        QVERIFY(!reg.value(cls + QStringLiteral("\\InprocServer32"), "ThreadingModel"));
        QVERIFY(!reg.hasKey(cls + QStringLiteral("\\Insertable")));
        QCOMPARE(reg.classIdOfProgId(QStringLiteral("vantel.vantelctrl.1")),
                 std::optional<QUuid>(VantelIds::ControlClass));

        const QString page = QStringLiteral("CLSID\\") + g(VantelIds::PropertyPage);
        QCOMPARE(*reg.value(page), QStringLiteral("Vantel Property Page"));
        QCOMPARE(*reg.value(page + QStringLiteral("\\InprocServer32")), module);

        const QString lib = QStringLiteral("TypeLib\\") + g(VantelIds::TypeLibrary) + "\\1.0";
        QCOMPARE(*reg.value(lib), QStringLiteral("Vantel OLE Custom Control module"));
        QCOMPARE(*reg.value(lib + QStringLiteral("\\0\\linux")), module);
        QCOMPARE(*reg.value(QStringLiteral("Interface\\") + g(VantelIds::DispatchInterface)),
                 QStringLiteral("_DVantel"));
        QCOMPARE(*reg.value(QStringLiteral("Interface\\") + g(VantelIds::EventInterface) +
                            QStringLiteral("\\TypeLib")),
                 g(VantelIds::TypeLibrary));

        // A second registration changes nothing.
        const QStringList keys = reg.allKeys();
        QCOMPARE(DllRegisterServer(), VantelCode::Ok);
        QVERIFY(reg.load());
        QCOMPARE(reg.allKeys(), keys);

        QCOMPARE(DllUnregisterServer(), VantelCode::Ok);
        QVERIFY(reg.load());
        QCOMPARE(reg.allKeys(),
                 QStringList({QStringLiteral("clsid"),
                              QStringLiteral("clsid\\{00000000-1111-2222-3333-444444444444}")}));
        // Nothing left to unregister: the library is not found.
        QCOMPARE(DllUnregisterServer(), VantelCode::SelfRegTypeLib);
    }

    void typeLibraryIsLoadedThroughTheRegistry() {
        VantelResult result = VantelCode::Ok;
        QVERIFY(!VantelLoadRegTypeLib(VantelIds::TypeLibrary, 1, 0, QLocale::c(), &result));
        QCOMPARE(result, VantelCode::LibNotRegistered);

        QCOMPARE(DllRegisterServer(), VantelCode::Ok);
        QVERIFY(!VantelLoadRegTypeLib(VantelIds::TypeLibrary, 2, 0, QLocale::c(), &result));
        QCOMPARE(result, VantelCode::LibNotRegistered);
        const auto lib =
            VantelLoadRegTypeLib(VantelIds::TypeLibrary, 1, 0, QLocale(QLocale::German), &result);
        QVERIFY(lib);
        QCOMPARE(result, VantelCode::Ok);
        QCOMPARE(lib->name(), QStringLiteral("VantelLib"));
        QCOMPARE(lib->classes().size(), 1);
        QCOMPARE(lib->classes()[0].id, VantelIds::ControlClass);

        // The library describes exactly the members the control answers to.
        const VantelTypeLib::Interface* disp = lib->interface(VantelIds::DispatchInterface);
        const VantelTypeLib::Interface* events = lib->interface(VantelIds::EventInterface);
        QVERIFY(disp && events);
        QCOMPARE(disp->name, QStringLiteral("_DVantel"));
        QCOMPARE(events->name, QStringLiteral("_DVantelEvents"));
        int members = 0;
        for (const VantelDispatch::Member& m : VantelDispatch::members()) {
            const bool isEvent = m.kind == VantelDispatch::Kind::Event;
            const VantelTypeLib::Member* described = (isEvent ? events : disp)->member(m.dispId);
            QVERIFY2(described, qPrintable(m.name));
            QCOMPARE(described->name, m.name);
            members += isEvent ? 0 : 1;
        }
        QCOMPARE(disp->members.size(), members);
        QCOMPARE(disp->member(QStringLiteral("MultiSelect"))->type, QStringLiteral("enumMulti"));
        QCOMPARE(events->member(-602)->parameters[0].byRef, true);
        QCOMPARE(lib->enums().size(), 5);
    }

    void unwritableRegistryRegistersNoClass() {
        // The registry's folder would have to be inside a plain file.
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        VantelRegistry::setLocation(blocker + QStringLiteral("/registry.json"));
        QCOMPARE(DllRegisterServer(), VantelCode::SelfRegTypeLib);
        QCOMPARE(DllUnregisterServer(), VantelCode::SelfRegTypeLib);
        VantelRegistry reg;
        QVERIFY(reg.load());
        QVERIFY(!reg.hasKey(QStringLiteral("CLSID\\") + g(VantelIds::ControlClass)));

        // A file that is not a registry is not overwritten either.
        VantelRegistry::setLocation(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a registry");
        file.close();
        QCOMPARE(DllRegisterServer(), VantelCode::SelfRegTypeLib);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a registry"));
    }

    void moduleDeclaresItselfSelfRegistering() {
        const char* data = nullptr;
        qint64 size = 0;
        QCOMPARE(VantelModuleResource("VERSION", 1, &data, &size), VantelCode::Ok);
        const QByteArray version(data, size);
        QVERIFY(version.contains("\"OLESelfRegister\""));
        QVERIFY(version.contains("\"1.0.001\""));
        QCOMPARE(VantelModuleResource("TYPELIB", 2, &data, &size), VantelCode::ClassNotAvailable);
        QCOMPARE(VantelModuleResource("BITMAP", 1, &data, &size), VantelCode::Ok);
        QCOMPARE(VantelModuleResource("ICON", 201, &data, &size), VantelCode::Ok);
    }
};

QTEST_MAIN(TestVantelRegistration)
#include "tst_vantelregistration.moc"
