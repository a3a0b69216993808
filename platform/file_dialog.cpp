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

const char* ButtonText(int buttonLabel)
{
    switch (buttonLabel) {
    case VAL_SAVE_BUTTON: return "Save";
    case VAL_SELECT_BUTTON: return "Select";
    case VAL_LOAD_BUTTON: return "Load";
    default: return "OK";
    }
}

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

// Copies a chosen path into the caller's buffer; false when it does not fit.
bool StorePath(const std::string& path, char* pathName)
{
    if (!pathName || path.empty() || path.size() >= static_cast<size_t>(MAX_PATHNAME_LEN))
        return false;
    std::memcpy(pathName, path.data(), path.size());
    pathName[path.size()] = '\0';
    return true;
}

}  // namespace

int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                    const char* fileTypeList, const char* title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* pathName)
{
    PopupCall call{PopupKind::FileSelect,
                   title ? title : "",
                   defaultDirectory ? defaultDirectory : "",
                   {defaultFileSpec ? defaultFileSpec : "", fileTypeList ? fileTypeList : "",
                    ButtonText(buttonLabel)},
                   MAX_PATHNAME_LEN - 1};
    std::string response;
    int result = VAL_NO_FILE_SELECTED;
    if (platform_internal::AnswerFromHook(call, response, &result)) {
        if (result != VAL_EXISTING_FILE_SELECTED && result != VAL_NEW_FILE_SELECTED)
            return VAL_NO_FILE_SELECTED;
        return StorePath(response, pathName) ? result : VAL_NO_FILE_SELECTED;
    }

    const QString startDir = QString::fromUtf8(call.message.c_str());
    FileDialog dialog(QApplication::activeWindow(), QString::fromUtf8(call.title.c_str()),
                      startDir, allowCancel != 0);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(buttonLabel == VAL_SAVE_BUTTON ? QFileDialog::AcceptSave
                                                        : QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, ButtonText(buttonLabel));
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
    if (!StorePath(QDir::toNativeSeparators(info.absoluteFilePath()).toStdString(), pathName))
        return VAL_NO_FILE_SELECTED;
    return info.exists() && !info.isDir() ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}
