#include "platform/user_folders.h"

#include <QDir>
#include <QStandardPaths>

#include <cstring>

int GetUserFolder(int kind, char* dir, size_t cap)
{
    if (!dir || cap == 0)
        return -1;
    dir[0] = '\0';
    QString path;
    switch (kind) {
    case kUserDocuments:
        path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (path.isEmpty())
            path = QDir::homePath();
        break;
    case kUserConfig:
        path = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        break;
    default:
        return -1;
    }
    if (path.isEmpty())
        return -1;
    // A cut path would name another folder: it does not fit, or it fits whole.
    const QByteArray bytes = QDir::toNativeSeparators(QDir::cleanPath(path)).toUtf8();
    if (static_cast<size_t>(bytes.size()) >= cap)
        return -1;
    std::memcpy(dir, bytes.constData(), static_cast<size_t>(bytes.size()));
    dir[bytes.size()] = '\0';
    return 0;
}

int MakeFolderPath(const char* dir)
{
    if (!dir || !*dir)
        return -1;
    return QDir().mkpath(QString::fromUtf8(dir)) ? 0 : -1;
}
