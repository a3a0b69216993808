#include "platform/user_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdio>

namespace {

QString dataDirOverride;  // "" = the platform's per-user location

// The data folder's path with subfolder appended, or "" when there is no such location.
QString dataPath(const char* subfolder)
{
    QString path = dataDirOverride.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                             : dataDirOverride;
    if (!path.isEmpty() && subfolder && *subfolder)
        path = QDir(path).filePath(QString::fromUtf8(subfolder));
    return path;
}

int copyPath(const QString& path, char* dir, size_t cap)
{
    const QByteArray bytes = QDir::toNativeSeparators(path + '/').toUtf8();
    if (static_cast<size_t>(bytes.size()) + 1 > cap)
        return -1;
    std::snprintf(dir, cap, "%s", bytes.constData());
    return 0;
}

}  // namespace

int GetUserDataDir(const char* subfolder, char* dir, size_t cap)
{
    const QString path = dataPath(subfolder);
    if (path.isEmpty() || !dir || !QDir().mkpath(path))
        return -1;
    return copyPath(path, dir, cap);
}

int UserDataPath(const char* subfolder, char* dir, size_t cap)
{
    const QString path = dataPath(subfolder);
    if (path.isEmpty() || !dir)
        return -1;
    return copyPath(path, dir, cap);
}

int SetUserDataDir(const char* dir)
{
    const QString path = QString::fromUtf8(dir ? dir : "");
    if (!path.isEmpty() && !QDir().mkpath(path))
        return -1;
    dataDirOverride = path.isEmpty() ? QString() : QDir(path).absolutePath();
    return 0;
}

int ListFiles(const char* dir, const char* prefix, const char* suffix,
              std::vector<std::string>* names)
{
    if (!dir || !names)
        return -1;
    QDir folder(QString::fromUtf8(dir));
    if (!folder.exists())
        return -1;
    const QString start = QString::fromUtf8(prefix ? prefix : "");
    const QString end = QString::fromUtf8(suffix ? suffix : "");
    names->clear();
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
        if (name.startsWith(start) && name.endsWith(end))
            names->push_back(name.toStdString());
    return 0;
}

int RemoveFile(const char* path) { return path && QFile::remove(QString::fromUtf8(path)) ? 0 : -1; }

bool FileExists(const char* path) { return path && QFile::exists(QString::fromUtf8(path)); }

std::string LocalTimeStamp()
{
    return QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss-zzz").toStdString();
}
