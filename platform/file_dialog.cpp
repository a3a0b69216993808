// The run-time's file selection pop-up on QFileDialog. Qt's own (non-native) dialog is used on
// every platform, so that the options below behave the same everywhere.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/popups.h"

namespace {

// "*.ini;*.cfg" becomes the name filter "*.ini *.cfg (*.ini *.cfg)".
QStringList NameFilters(const char* fileTypeList, bool restrictExtension)
{
    QStringList patterns;
    for (const QString& p : QString::fromUtf8(fileTypeList ? fileTypeList : "")
                                .split(';', Qt::SkipEmptyParts))
        if (!p.trimmed().isEmpty())
            patterns << p.trimmed();
    QStringList filters;
    if (!patterns.isEmpty())
        filters << QString("%1 (%1)").arg(patterns.join(' '));
    if (!restrictExtension || patterns.isEmpty())
        filters << "All files (*)";
    return filters;
}

// A dialog that can refuse Cancel and can hold the operator in one folder.
class FileDialog : public QFileDialog {
public:
    FileDialog(QWidget* parent, const QString& title, const QString& directory, bool allowCancel)
        : QFileDialog(parent, title, directory), allowCancel_(allowCancel)
    {
    }
    void reject() override
    {
        if (allowCancel_)
            QFileDialog::reject();
    }

private:
    bool allowCancel_;
};

}  // namespace

int platform_internal::FileSelectOnScreen(const PopupCall& call, int buttonLabel,
                                          int restrictDirectory, int restrictExtension,
                                          int allowCancel, int allowMakeDirectory,
                                          std::string& path)
{
    const char* fileTypeList = call.buttons[1].c_str();
    const QString startDir = QString::fromUtf8(call.message.c_str());
    FileDialog dialog(QApplication::activeWindow(), QString::fromUtf8(call.title.c_str()),
                      startDir, allowCancel != 0);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(buttonLabel == VAL_SAVE_BUTTON ? QFileDialog::AcceptSave
                                                        : QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8(call.buttons[2].c_str()));
    if (!allowMakeDirectory)
        dialog.setOption(QFileDialog::ReadOnly);
    dialog.setNameFilters(NameFilters(fileTypeList, restrictExtension != 0));
    const QString fileSpec = QString::fromUtf8(call.buttons[0].c_str());
    if (!fileSpec.isEmpty() && !fileSpec.contains('*') && !fileSpec.contains('?'))
        dialog.selectFile(fileSpec);
    if (restrictDirectory) {
        const QString home = QDir(startDir).absolutePath();
        QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog,
                         [&dialog, home](const QString& dir) {
                             if (QDir(dir).absolutePath() != home)
                                 dialog.setDirectory(home);
                         });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return VAL_NO_FILE_SELECTED;
    const QString chosen = dialog.selectedFiles().constFirst();
    const QFileInfo info(chosen);
    path = QDir::toNativeSeparators(info.absoluteFilePath()).toStdString();
    return info.exists() && !info.isDir() ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

int DirSelectPopup(const char* defaultDirectory, const char* title, int allowCancel,
                   int allowMakeDirectory, char* pathName)
{
    PopupCall call{PopupKind::DirSelect, title ? title : "",
                   defaultDirectory ? defaultDirectory : "", {}, MAX_PATHNAME_LEN - 1};
    std::string response;
    int result = 0;
    if (platform_internal::AnswerFromHook(call, response, &result))
        return result == 1 && platform_internal::StorePath(response, pathName) ? 1 : 0;

    FileDialog dialog(QApplication::activeWindow(), QString::fromUtf8(call.title.c_str()),
                      QString::fromUtf8(call.message.c_str()), allowCancel != 0);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!allowMakeDirectory)
        dialog.setOption(QFileDialog::ReadOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return 0;
    const QString chosen = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
    return platform_internal::StorePath(QDir::toNativeSeparators(chosen).toStdString(), pathName) ? 1 : 0;
}
