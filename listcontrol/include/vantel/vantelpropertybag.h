#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <optional>

// Named property values in the order they were written, as a control saves
// them. A container keeps the bag, or its bytes, with its own document.
class VantelPropertyBag {
public:
    void write(const QString& name, const QVariant& value);
    // The value under name (compared without regard to case), if present.
    std::optional<QVariant> read(const QString& name) const;
    bool contains(const QString& name) const { return read(name).has_value(); }
    void remove(const QString& name);
    QStringList names() const;
    int size() const { return int(m_values.size()); }
    void clear() { m_values.clear(); }

    QByteArray toByteArray() const;
    // An empty bag and false when data is not a saved bag.
    static VantelPropertyBag fromByteArray(const QByteArray& data, bool* ok = nullptr);

private:
    QList<QPair<QString, QVariant>> m_values;
};
