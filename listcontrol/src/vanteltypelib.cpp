#include "vantel/vanteltypelib.h"
#include "vantel/vantelregistry.h"
#include "vantelmodulepath.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibrary>

namespace {

QString str(const QJsonObject& o, const char* key) {
    return o.value(QLatin1String(key)).toString();
}

VantelTypeLib::Member readMember(const QJsonObject& o) {
    VantelTypeLib::Member m;
    m.dispId = o.value(QLatin1String("id")).toInt();
    m.name = str(o, "name");
    m.kind = str(o, "kind");
    m.type = str(o, "type");
    for (const QJsonValue& p : o.value(QLatin1String("params")).toArray()) {
        const QJsonObject po = p.toObject();
        m.parameters.append({str(po, "name"), str(po, "type"),
                             po.value(QLatin1String("optional")).toBool(),
                             po.value(QLatin1String("byref")).toBool()});
    }
    return m;
}

} // namespace

const VantelTypeLib::Member* VantelTypeLib::Interface::member(int dispId) const {
    for (const Member& m : members) {
        if (m.dispId == dispId)
            return &m;
    }
    return nullptr;
}

const VantelTypeLib::Member* VantelTypeLib::Interface::member(const QString& name) const {
    for (const Member& m : members) {
        if (m.name.compare(name, Qt::CaseInsensitive) == 0)
            return &m;
    }
    return nullptr;
}

const VantelTypeLib::Interface* VantelTypeLib::interface(const QUuid& id) const {
    for (const Interface& i : m_interfaces) {
        if (i.id == id)
            return &i;
    }
    return nullptr;
}

const VantelTypeLib::Interface* VantelTypeLib::interface(const QString& name) const {
    for (const Interface& i : m_interfaces) {
        if (i.name == name)
            return &i;
    }
    return nullptr;
}

std::shared_ptr<const VantelTypeLib> VantelTypeLib::parse(const QByteArray& data, QString* error) {
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return nullptr;
    };
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return fail(QStringLiteral("not a type library: %1").arg(parseError.errorString()));
    const QJsonObject root = doc.object();
    const QJsonObject library = root.value(QLatin1String("library")).toObject();

    auto lib = std::make_shared<VantelTypeLib>();
    lib->m_name = str(library, "name");
    lib->m_id = QUuid(str(library, "id"));
    lib->m_description = str(library, "description");
    const QStringList version = str(library, "version").split(QLatin1Char('.'));
    bool majorOk = false;
    bool minorOk = false;
    if (version.size() == 2) {
        lib->m_major = version[0].toInt(&majorOk);
        lib->m_minor = version[1].toInt(&minorOk);
    }
    if (lib->m_name.isEmpty() || lib->m_id.isNull() || !majorOk || !minorOk)
        return fail(QStringLiteral("the library's name, identifier or version is missing"));

    for (const QJsonValue& v : root.value(QLatin1String("interfaces")).toArray()) {
        const QJsonObject o = v.toObject();
        Interface i{str(o, "name"), QUuid(str(o, "id")), str(o, "description"), {}};
        if (i.name.isEmpty() || i.id.isNull())
            return fail(QStringLiteral("an interface has no name or identifier"));
        for (const QJsonValue& m : o.value(QLatin1String("members")).toArray())
            i.members.append(readMember(m.toObject()));
        lib->m_interfaces.append(i);
    }
    for (const QJsonValue& v : root.value(QLatin1String("enums")).toArray()) {
        const QJsonObject o = v.toObject();
        Enum e{str(o, "name"), {}};
        for (const QJsonValue& m : o.value(QLatin1String("members")).toArray()) {
            const QJsonObject mo = m.toObject();
            e.members.append(
                {str(mo, "name"), mo.value(QLatin1String("value")).toInt(), str(mo, "help")});
        }
        lib->m_enums.append(e);
    }
    for (const QJsonValue& v : root.value(QLatin1String("classes")).toArray()) {
        const QJsonObject o = v.toObject();
        lib->m_classes.append({str(o, "name"), QUuid(str(o, "id")), str(o, "description"),
                               str(o, "default"), str(o, "source")});
    }
    return lib;
}

std::shared_ptr<const VantelTypeLib> VantelTypeLib::fromModule(QString* error) {
    const char* data = nullptr;
    qint64 size = 0;
    if (VantelModuleResource("TYPELIB", 1, &data, &size) != VantelCode::Ok) {
        if (error)
            *error = QStringLiteral("the module carries no type library");
        return nullptr;
    }
    return parse(QByteArray::fromRawData(data, size), error);
}

std::shared_ptr<const VantelTypeLib> VantelLoadRegTypeLib(const QUuid& libId, int major, int minor,
                                                          const QLocale& locale,
                                                          VantelResult* result) {
    const auto finish = [result](VantelResult code) {
        if (result)
            *result = code;
    };
    VantelRegistry registry;
    const QString versionKey = QStringLiteral("TypeLib\\%1\\%2.%3")
                                   .arg(VantelRegistry::guidText(libId))
                                   .arg(major)
                                   .arg(minor);
    if (!registry.load() || !registry.hasKey(versionKey)) {
        finish(VantelCode::LibNotRegistered);
        return nullptr;
    }
    std::optional<QString> path;
    const QString localeName = locale.name();
    const QString language = localeName.section(QLatin1Char('_'), 0, 0);
    for (const QString& lcid : {localeName, language, QStringLiteral("0")}) {
        path = registry.value(versionKey + QLatin1Char('\\') + lcid + QStringLiteral("\\linux"));
        if (path)
            break;
    }
    if (!path) {
        finish(VantelCode::LibNotRegistered);
        return nullptr;
    }

    std::shared_ptr<const VantelTypeLib> lib;
    if (QFileInfo(*path).canonicalFilePath() == vantelModulePath()) {
        lib = VantelTypeLib::fromModule();
    } else {
        // Another copy of the module: ask it for its resource. It stays
        // loaded, as the data it hands out lives in it.
        QLibrary module(*path);
        using Resource = VantelResult (*)(const char*, int, const char**, qint64*);
        const auto resource = reinterpret_cast<Resource>(module.resolve("VantelModuleResource"));
        const char* data = nullptr;
        qint64 size = 0;
        if (resource && resource("TYPELIB", 1, &data, &size) == VantelCode::Ok)
            lib = VantelTypeLib::parse(QByteArray(data, size));
    }
    if (!lib || lib->id() != libId || lib->versionMajor() != major ||
        lib->versionMinor() != minor) {
        finish(VantelCode::CantLoadLibrary);
        return nullptr;
    }
    finish(VantelCode::Ok);
    return lib;
}
