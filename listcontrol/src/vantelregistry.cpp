#include "vantel/vantelregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

constexpr char FormatTag[] = "tarlen component registry 1";
QString g_location;

QString parentOf(const QString& key) {
    const qsizetype cut = key.lastIndexOf(QLatin1Char('\\'));
    return cut < 0 ? QString() : key.left(cut);
}

} // namespace

QString VantelRegistry::location() {
    const QString fromEnvironment = qEnvironmentVariable("TARLEN_REGISTRY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (!g_location.isEmpty())
        return g_location;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tarlen/registry.json");
}

void VantelRegistry::setLocation(const QString& path) {
    g_location = path;
}

bool VantelRegistry::load() {
    m_keys.clear();
    QFile file(location());
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject() ||
        doc.object().value(QLatin1String("format")).toString() != QLatin1String(FormatTag))
        return false;
    const QJsonObject keys = doc.object().value(QLatin1String("keys")).toObject();
    for (auto k = keys.begin(); k != keys.end(); ++k) {
        Key key{k.key(), {}};
        const QJsonObject values = k.value().toObject();
        for (auto v = values.begin(); v != values.end(); ++v)
            key.values.insert(v.key(), v.value().toString());
        m_keys.insert(fold(k.key()), key);
    }
    return true;
}

bool VantelRegistry::save() const {
    QJsonObject keys;
    for (const Key& key : m_keys) {
        QJsonObject values;
        for (auto v = key.values.begin(); v != key.values.end(); ++v)
            values.insert(v.key(), v.value());
        keys.insert(key.name, values);
    }
    QJsonObject root;
    root.insert(QLatin1String("format"), QLatin1String(FormatTag));
    root.insert(QLatin1String("keys"), keys);

    const QString path = location();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    return file.commit();
}

bool VantelRegistry::hasKey(const QString& key) const {
    return m_keys.contains(fold(key));
}

void VantelRegistry::createKey(const QString& key) {
    for (QString k = key; !k.isEmpty() && !hasKey(k); k = parentOf(k))
        m_keys.insert(fold(k), Key{k, {}});
}

void VantelRegistry::setValue(const QString& key, const QString& name, const QString& value) {
    createKey(key);
    m_keys[fold(key)].values.insert(name, value);
}

std::optional<QString> VantelRegistry::value(const QString& key, const QString& name) const {
    const auto k = m_keys.constFind(fold(key));
    if (k == m_keys.cend())
        return std::nullopt;
    for (auto v = k->values.begin(); v != k->values.end(); ++v) {
        if (v.key().compare(name, Qt::CaseInsensitive) == 0)
            return v.value();
    }
    return std::nullopt;
}

QStringList VantelRegistry::valueNames(const QString& key) const {
    const auto k = m_keys.constFind(fold(key));
    return k == m_keys.cend() ? QStringList() : k->values.keys();
}

QStringList VantelRegistry::subKeys(const QString& key) const {
    QStringList names;
    for (const Key& k : m_keys) {
        if (fold(parentOf(k.name)) == fold(key))
            names << k.name.mid(key.isEmpty() ? 0 : key.size() + 1);
    }
    return names;
}

void VantelRegistry::removeKey(const QString& key) {
    const QString folded = fold(key);
    const QString below = folded + QLatin1Char('\\');
    for (auto k = m_keys.begin(); k != m_keys.end();) {
        if (k.key() == folded || k.key().startsWith(below))
            k = m_keys.erase(k);
        else
            ++k;
    }
    for (QString up = parentOf(key); !up.isEmpty(); up = parentOf(up)) {
        const auto k = m_keys.constFind(fold(up));
        if (k == m_keys.cend() || !k->values.isEmpty() || !subKeys(up).isEmpty())
            break;
        m_keys.remove(fold(up));
    }
}

std::optional<QUuid> VantelRegistry::classIdOfProgId(const QString& progId) const {
    const auto text = value(progId + QStringLiteral("\\CLSID"));
    if (!text)
        return std::nullopt;
    const QUuid id(*text);
    if (id.isNull())
        return std::nullopt;
    return id;
}

QString VantelRegistry::guidText(const QUuid& id) {
    return id.toString(QUuid::WithBraces).toUpper();
}
