#include "vantel/vantelpropertybag.h"

#include <QDataStream>
#include <QIODevice>

namespace {
constexpr quint32 BagMagic = 0x56504231; // "VPB1"
}

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
        in >> name >> value;
        good = in.status() == QDataStream::Ok;
        if (good)
            bag.m_values.append({name, value});
    }
    if (!good)
        bag.clear();
    if (ok)
        *ok = good;
    return bag;
}
