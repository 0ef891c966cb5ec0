#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <optional>
#include <vector>

class CVantelCtrl;
class QMetaObject;

// Late-bound access to a CVantelCtrl: its members by dispatch identifier or
// by name (without regard to case), with variant arguments, for hosts that
// drive the control from a table or a script. Errors are VantelError, as for
// the typed members; a member that does not exist gives 438, a wrong number
// of arguments 450, an argument that does not convert 13 (or 6 when it is out
// of the member's range).
class VantelDispatch {
public:
    enum class Kind { Property, IndexedProperty, Method, Event };
    struct Member {
        int dispId;
        QString name;
        Kind kind;
    };

    explicit VantelDispatch(CVantelCtrl& control)
        : m_control(control) {}

    // Every member and event of the control.
    static const std::vector<Member>& members();
    static std::optional<int> idOfName(const QString& name);
    static QString nameOfId(int dispId);

    // Property get: indexed properties take their index as the one argument.
    QVariant get(int dispId, const QVariantList& indices = {}) const;
    QVariant get(const QString& name, const QVariantList& indices = {}) const;
    // Property put: the index (for an indexed property) and then the value.
    void set(int dispId, const QVariantList& arguments);
    void set(const QString& name, const QVariantList& arguments);
    // Method call (a property is read when called).
    QVariant call(int dispId, const QVariantList& arguments = {});
    QVariant call(const QString& name, const QVariantList& arguments = {});

    // Hands every event to handler by its dispatch identifier with its
    // parameters; for KeyDown, KeyUp and KeyPress the handler may change the
    // key code in the list, and the control sees the change.
    using EventHandler = std::function<void(int dispId, QVariantList& parameters)>;
    static void connectEvents(CVantelCtrl& control, EventHandler handler);

private:
    struct PlainAccess {
        int dispId;
        QVariant (*get)(const CVantelCtrl&);
        void (*set)(CVantelCtrl&, int dispId, const QVariant&); // nullptr: read-only
    };
    struct IndexedAccess {
        int dispId;
        void (*check)(const CVantelCtrl&, int index);
        QVariant (*get)(const CVantelCtrl&, int index);
        void (*set)(CVantelCtrl&, int dispId, int index, const QVariant&);
    };
    static const std::vector<PlainAccess>& plainProperties();
    static const std::vector<PlainAccess>& stockProperties();
    static const PlainAccess* findPlain(int dispId);
    static const std::vector<IndexedAccess>& indexedProperties();
    template <typename Access>
    static const Access* find(const std::vector<Access>& table, int dispId);

    static int resolve(const QString& name);
    CVantelCtrl& m_control;
};
