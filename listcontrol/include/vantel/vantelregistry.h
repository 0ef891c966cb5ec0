#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>

// The per-user component registry: a tree of keys, each with named string
// values ("" is the key's default value), kept in one JSON file. Key paths
// are separated by "\" and compared without regard to case.
//
// The file is TARLEN_REGISTRY when that is set, else the path given to
// setLocation(), else tarlen/registry.json in the user's configuration
// directory.
class VantelRegistry {
public:
    static QString location();
    // An empty path goes back to the default location.
    static void setLocation(const QString& path);

    // Reads the file; a missing file is an empty registry. False when the
    // file cannot be read or is not a registry.
    bool load();
    // Replaces the file in one step; false when it cannot be written.
    bool save() const;

    bool hasKey(const QString& key) const;
    // Creates key and every missing key above it.
    void createKey(const QString& key);
    void setValue(const QString& key, const QString& name, const QString& value);
    std::optional<QString> value(const QString& key, const QString& name = QString()) const;
    QStringList valueNames(const QString& key) const;
    // The names of the keys directly below key ("" for the top).
    QStringList subKeys(const QString& key) const;
    // Removes key with everything below it, then every key above it that
    // is left with neither values nor keys.
    void removeKey(const QString& key);
    QStringList allKeys() const { return m_keys.keys(); }
    bool isEmpty() const { return m_keys.isEmpty(); }

    // The class identifier recorded for a programmatic identifier.
    std::optional<QUuid> classIdOfProgId(const QString& progId) const;

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in capitals.
    static QString guidText(const QUuid& id);

private:
    static QString fold(const QString& key) { return key.toLower(); }
    struct Key {
        QString name; // the path as first written
        QMap<QString, QString> values;
    };
    QMap<QString, Key> m_keys; // by folded path
};
