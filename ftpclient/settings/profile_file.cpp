#include "profile_file.h"

#include "private_file.h"
#include "raw_names.h"

#include <QFile>

namespace {

QByteArray cutForBuffer(const QByteArray& value, int bufferSize) {
    qsizetype end = value.indexOf('\0');
    if (end < 0)
        end = value.size();
    return value.left(qMin<qsizetype>(end, qMax(bufferSize - 1, 0)));
}

QString decodeText(const QByteArray& bytes) {
    return RawName::isValidUtf8(bytes) ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

} // namespace

ProfileFile::ProfileFile(QString path)
    : m_path(std::move(path)) {
    QFile file(m_path);
    m_existed = file.exists();
    if (!m_existed)
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        m_readable = false;
        return;
    }
    m_document = IniDocument(file.readAll());
}

bool ProfileFile::holds(const QByteArray& section, const QByteArray& key) const {
    return m_document.value(section, key).has_value();
}

QByteArray ProfileFile::readBytes(const QByteArray& section, const QByteArray& key,
                                  const QByteArray& defaultValue, int bufferSize) const {
    return cutForBuffer(m_document.value(section, key).value_or(defaultValue), bufferSize);
}

QString ProfileFile::readString(const QString& section, const QString& key,
                                const QString& defaultValue, int bufferSize) const {
    return QString::fromLatin1(
        readBytes(section.toLatin1(), key.toLatin1(), defaultValue.toLatin1(), bufferSize));
}

// At most bufferSize - 1 characters, a character beyond the first 65536
// counting as one.
QString ProfileFile::cutText(const QString& text, int bufferSize) {
    const qsizetype limit = qMax(bufferSize - 1, 0);
    qsizetype end = 0;
    for (qsizetype chars = 0; end < text.size() && chars < limit; ++chars)
        end += text.at(end).isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
    return text.left(end);
}

QString ProfileFile::trimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString ProfileFile::readText(const QString& section, const QString& key,
                              const QString& defaultValue, int bufferSize) const {
    const std::optional<QByteArray> stored = m_document.value(section.toLatin1(), key.toLatin1());
    if (!stored)
        return cutText(defaultValue, bufferSize);
    const qsizetype nul = stored->indexOf('\0');
    return cutText(decodeText(nul < 0 ? *stored : stored->left(nul)), bufferSize);
}

void ProfileFile::writeText(const QString& section, const QString& key, const QString& value) {
    const std::optional<QByteArray> stored = m_document.value(section.toLatin1(), key.toLatin1());
    if (stored && decodeText(*stored) == value)
        return;
    writeBytes(section.toLatin1(), key.toLatin1(), value.toUtf8());
}

void ProfileFile::writeBytes(const QByteArray& section, const QByteArray& key,
                             const QByteArray& value) {
    m_document.setValue(section, key, value);
}

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value) {
    writeBytes(section.toLatin1(), key.toLatin1(), value.toLatin1());
}

bool ProfileFile::save() {
    // Saving what little could be read would wipe what could not. The file
    // holds passwords: nobody but its owner may read it.
    return m_readable && writePrivateFile(m_path, m_document.text());
}

QString readProfileString(const QString& path, const QString& section, const QString& key,
                          const QString& defaultValue, int bufferSize) {
    return ProfileFile(path).readString(section, key, defaultValue, bufferSize);
}

bool writeProfileString(const QString& path, const QString& section, const QString& key,
                        const QString& value) {
    ProfileFile file(path);
    file.writeString(section, key, value);
    return file.save();
}
