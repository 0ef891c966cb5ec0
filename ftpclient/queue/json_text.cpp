#include "json_text.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

// Printable ASCII goes as it is; anything else (controls, quotes, what is
// beyond ASCII, RawName's marks for bytes) is left to QJsonDocument.
QByteArray jsonString(const QString& value) {
    const bool plain = std::all_of(value.begin(), value.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7f && c != u'"' && c != u'\\';
    });
    if (plain)
        return '"' + value.toLatin1() + '"';
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

void JsonObjectText::key(QLatin1StringView key) {
    if (m_text.size() > 1)
        m_text += ',';
    m_text += '"';
    m_text += QByteArrayView(key.data(), key.size());
    m_text += "\":";
}

JsonObjectText& JsonObjectText::text(QLatin1StringView key, const QString& value) {
    return json(key, jsonString(value));
}

JsonObjectText& JsonObjectText::number(QLatin1StringView key, qint64 value) {
    return json(key, QByteArray::number(value));
}

JsonObjectText& JsonObjectText::boolean(QLatin1StringView key, bool value) {
    return json(key, value ? QByteArray("true") : QByteArray("false"));
}

JsonObjectText& JsonObjectText::json(QLatin1StringView key, const QByteArray& value) {
    this->key(key);
    m_text += value;
    return *this;
}
