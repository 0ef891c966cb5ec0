#include "vantel/vantelerror.h"

QString VantelError::standardText(int number) {
    switch (number) {
    case Overflow:
        return QStringLiteral("Overflow");
    case OutOfMemory:
        return QStringLiteral("Out of memory");
    case TypeMismatch:
        return QStringLiteral("Type mismatch");
    case InvalidPropertyValue:
        return QStringLiteral("Invalid property value");
    case InvalidArrayIndex:
        return QStringLiteral("Invalid property array index");
    case CannotSet:
        return QStringLiteral("Property cannot be set");
    case CannotGet:
        return QStringLiteral("Property cannot be read");
    case NoSuchMember:
        return QStringLiteral("Object doesn't support this property or method");
    case WrongArguments:
        return QStringLiteral("Wrong number of arguments or invalid property assignment");
    default:
        return QStringLiteral("Error %1").arg(number);
    }
}

static QString compose(int number, const QString& detail) {
    const QString text = VantelError::standardText(number);
    return detail.isEmpty() ? text : text + QStringLiteral(": ") + detail;
}

VantelError::VantelError(int number, const QString& detail)
    : std::runtime_error(compose(number, detail).toStdString())
    , m_number(number)
    , m_description(compose(number, detail)) {}
