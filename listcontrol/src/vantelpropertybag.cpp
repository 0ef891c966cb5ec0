#include "vantel/vantelpropertybag.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <optional>

namespace {
constexpr quint32 BagMagic = 0x56504231; // "VPB1"

// Saved properties are numbers, truth values, text and colours (a font is
// saved as its text). A value of any other type (a picture, a list of any
// length) makes the data no saved bag, before a byte of it is read.
bool isPropertyType(quint32 typeId) {
    switch (typeId) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::QString:
    case QMetaType::QColor:
        return true;
    default:
        return false;
    }
}

// The big-endian number `at` bytes ahead in the stream, without taking it.
std::optional<quint32> peekNumber(QDataStream& in, qsizetype at) {
    const QByteArray ahead = in.device()->peek(at + 4);
    if (ahead.size() < at + 4)
        return std::nullopt;
    return qFromBigEndian<quint32>(ahead.constData() + at);
}

// Whether the string whose length stands `at` bytes ahead fits the data
// left: a length read as it stands would be allocated before a byte of the
// text is read.
bool stringFits(QDataStream& in, qsizetype at) {
    const std::optional<quint32> bytes = peekNumber(in, at);
    return bytes && (*bytes == 0xFFFFFFFFu || *bytes <= in.device()->bytesAvailable() - at - 4);
}

// A value: its type, a null mark, then the value itself.
bool nextValueIsProperty(QDataStream& in) {
    const std::optional<quint32> typeId = peekNumber(in, 0);
    return typeId && isPropertyType(*typeId) &&
           (*typeId != QMetaType::QString || stringFits(in, 5));
}
} // namespace

void VantelPropertyBag::write(const QString& name, const QVariant& value) {
    for (auto& entry : m_values) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = value;
            return;
        }
    }
    m_values.append({name, value});
}

std::optional<QVariant> VantelPropertyBag::read(const QString& name) const {
    for (const auto& entry : m_values) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return entry.second;
    }
    return std::nullopt;
}

void VantelPropertyBag::remove(const QString& name) {
    m_values.removeIf([&](const QPair<QString, QVariant>& entry) {
        return entry.first.compare(name, Qt::CaseInsensitive) == 0;
    });
}

QStringList VantelPropertyBag::names() const {
    QStringList result;
    for (const auto& entry : m_values)
        result << entry.first;
    return result;
}

QByteArray VantelPropertyBag::toByteArray() const {
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << BagMagic << quint32(m_values.size());
    for (const auto& entry : m_values)
        out << entry.first << entry.second;
    return data;
}

VantelPropertyBag VantelPropertyBag::fromByteArray(const QByteArray& data, bool* ok) {
    VantelPropertyBag bag;
    QDataStream in(data);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0, count = 0;
    in >> magic >> count;
    bool good = in.status() == QDataStream::Ok && magic == BagMagic;
    for (quint32 i = 0; good && i < count; ++i) {
        QString name;
        QVariant value;
        good = stringFits(in, 0);
        if (good)
            in >> name;
        good = good && in.status() == QDataStream::Ok && nextValueIsProperty(in);
        if (good)
            in >> value;
        good = good && in.status() == QDataStream::Ok;
        if (good)
            bag.m_values.append({name, value});
    }
    if (!good)
        bag.clear();
    if (ok)
        *ok = good;
    return bag;
}
