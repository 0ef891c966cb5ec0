#pragma once

#include "vantel/vantelmodule.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>
#include <QUuid>
#include <memory>
#include <optional>

// The type library of the Vantel module: the dispatch and event interfaces
// with their members, dispatch identifiers and types, the enumerations and
// the control class. The module carries it as its "TYPELIB" resource 1.
class VantelTypeLib {
public:
    struct Parameter {
        QString name;
        QString type;
        bool optional = false;
        bool byRef = false;
    };
    struct Member {
        int dispId = 0;
        QString name;
        QString kind; // "property", "method" or "event"
        QString type; // of the value or result
        QList<Parameter> parameters;
    };
    struct Interface {
        QString name;
        QUuid id;
        QString description;
        QList<Member> members;
        const Member* member(int dispId) const;
        const Member* member(const QString& name) const;
    };
    struct EnumMember {
        QString name;
        int value = 0;
        QString help;
    };
    struct Enum {
        QString name;
        QList<EnumMember> members;
    };
    struct CoClass {
        QString name;
        QUuid id;
        QString description;
        QString defaultInterface;
        QString sourceInterface;
    };

    // Reads a library as the module carries it; nullptr (and why in error)
    // when data is not one.
    static std::shared_ptr<const VantelTypeLib> parse(const QByteArray& data,
                                                      QString* error = nullptr);
    // The library carried by this module.
    static std::shared_ptr<const VantelTypeLib> fromModule(QString* error = nullptr);

    QString name() const { return m_name; }
    QUuid id() const { return m_id; }
    int versionMajor() const { return m_major; }
    int versionMinor() const { return m_minor; }
    QString description() const { return m_description; }
    const QList<Interface>& interfaces() const { return m_interfaces; }
    const Interface* interface(const QUuid& id) const;
    const Interface* interface(const QString& name) const;
    const QList<Enum>& enums() const { return m_enums; }
    const QList<CoClass>& classes() const { return m_classes; }

private:
    QString m_name;
    QUuid m_id;
    int m_major = 0;
    int m_minor = 0;
    QString m_description;
    QList<Interface> m_interfaces;
    QList<Enum> m_enums;
    QList<CoClass> m_classes;
};

// Loads a registered type library by identifier and version through the
// registry, in the caller's locale (falling back to its language, then to
// the neutral entry). nullptr with *result LibNotRegistered when it is not
// registered, CantLoadLibrary when the recorded module does not give it.
std::shared_ptr<const VantelTypeLib> VantelLoadRegTypeLib(const QUuid& libId, int major, int minor,
                                                          const QLocale& locale,
                                                          VantelResult* result = nullptr);
