#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

// A JSON string's text, quoted, as QJsonDocument writes it.
QByteArray jsonString(const QString& value);

// The text of a JSON object written field by field, the way QJsonDocument's
// compact form reads, without building a document first: the queue's
// journal writes one for every item it is told of.
class JsonObjectText {
public:
    JsonObjectText& text(QLatin1StringView key, const QString& value);
    JsonObjectText& number(QLatin1StringView key, qint64 value);
    JsonObjectText& boolean(QLatin1StringView key, bool value);
    // A value whose JSON text is written already.
    JsonObjectText& json(QLatin1StringView key, const QByteArray& value);
    QByteArray finish() const { return m_text + '}'; }

private:
    void key(QLatin1StringView key);

    QByteArray m_text = "{";
};
