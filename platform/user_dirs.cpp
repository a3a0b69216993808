#include "platform/user_dirs.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryFile>

#include <cstring>

namespace {

// Copies a folder path in the platform's separators; a path that does not fit is not cut, since
// a cut path names another folder.
int StoreFolder(const QString& folder, char* dir, size_t cap)
{
    if (!dir || cap == 0)
        return -1;
    dir[0] = '\0';
    const QByteArray bytes = QDir::toNativeSeparators(folder).toUtf8();
    if (bytes.isEmpty() || static_cast<size_t>(bytes.size()) >= cap)
        return -1;
    std::memcpy(dir, bytes.constData(), static_cast<size_t>(bytes.size()) + 1);
    return 0;
}

}  // namespace

int IsFolderWritable(const char* dir)
{
    if (!dir || !*dir || !QDir(QString::fromUtf8(dir)).exists())
        return 0;
    QTemporaryFile probe(QDir(QString::fromUtf8(dir)).filePath(".write-probe-XXXXXX"));
    return probe.open() ? 1 : 0;
}

int GetUserConfigDir(char* dir, size_t cap)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        if (dir && cap)
            dir[0] = '\0';
        return -1;
    }
    return StoreFolder(folder, dir, cap);
}

int GetUserDocumentsDir(char* dir, size_t cap)
{
    for (auto location : {QStandardPaths::DocumentsLocation, QStandardPaths::HomeLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && QDir(folder).exists())
            return StoreFolder(folder, dir, cap);
    }
    if (dir && cap)
        dir[0] = '\0';
    return -1;
}
