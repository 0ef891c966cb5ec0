#include "vantel/vantelmodule.h"
#include "vantelmodulepath.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <dlfcn.h>

// The module's resources live in its Qt resource tree as
// :/vantel/<TYPE>/<number>.

QString vantelModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllCanUnloadNow), &info) == 0 || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
}

extern "C" VantelResult VantelModuleResource(const char* type, int number, const char** data,
                                             qint64* size) {
    if (!type || !data || !size)
        return VantelCode::Pointer;
    static QMutex mutex;
    static QHash<QString, QByteArray> cache; // keeps the bytes for the module's life
    const QString path = QStringLiteral(":/vantel/%1/%2").arg(QLatin1String(type)).arg(number);
    QMutexLocker lock(&mutex);
    auto cached = cache.constFind(path);
    if (cached == cache.cend()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return VantelCode::ClassNotAvailable;
        cached = cache.insert(path, file.readAll());
    }
    *data = cached->constData();
    *size = cached->size();
    return VantelCode::Ok;
}
