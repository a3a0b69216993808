#include "platform/picture.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPixmap>

#include "platform/widgets.h"

int DisplayImageFile(int panel, int control, const char* fileName)
{
    auto* picture = qobject_cast<QLabel*>(ControlWidget(panel, control));
    if (!picture)
        return -1;
    const QString name = QString::fromUtf8(fileName ? fileName : "");
    QPixmap image;
    // The run-time resolves a bare name against the program's directory, not the working one.
    if (name.isEmpty() ||
        !image.load(QDir(QCoreApplication::applicationDirPath()).filePath(name))) {
        picture->clear();
        return -2;
    }
    picture->setPixmap(image);
    picture->resize(image.size());
    return 0;
}
