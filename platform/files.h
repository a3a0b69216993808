// File selection and path splitting, as the run-time offers them: fixed-size path buffers, so
// callers keep plain char arrays, and every copy into them is bounded by the sizes below.
#pragma once

#include <cstddef>

// Sizes in bytes, terminator included, of the buffers that the operations below fill.
inline constexpr int MAX_PATHNAME_LEN = 260;
inline constexpr int MAX_DRIVENAME_LEN = 3;  // "C:" on Windows; always empty elsewhere
inline constexpr int MAX_DIRNAME_LEN = 260;
inline constexpr int MAX_FILENAME_LEN = 260;

// Label of the dialog's accepting button. VAL_SAVE_BUTTON also makes the dialog ask before an
// existing file is chosen for overwriting.
inline constexpr int VAL_OK_BUTTON = 0;
inline constexpr int VAL_SAVE_BUTTON = 1;
inline constexpr int VAL_SELECT_BUTTON = 2;
inline constexpr int VAL_LOAD_BUTTON = 3;

// Results of FileSelectPopup.
inline constexpr int VAL_NO_FILE_SELECTED = 0;
inline constexpr int VAL_EXISTING_FILE_SELECTED = 1;
inline constexpr int VAL_NEW_FILE_SELECTED = 2;

// Modal file dialog. It opens in defaultDirectory (empty: the current directory) with
// defaultFileSpec as the proposed name (a name with '*' or '?' only filters). fileTypeList is a
// ';'-separated list of patterns such as "*.ini;*.cfg"; unless restrictExtension is non-zero an
// "all files" choice is added. restrictDirectory keeps the dialog in its starting folder,
// allowCancel 0 leaves no way out but choosing a file, allowMakeDirectory 0 forbids new folders.
// The operator may pick an existing file or type a new name.
//
// pathName (MAX_PATHNAME_LEN bytes) receives the full chosen path, with the platform's
// separators, only when a file was chosen; otherwise it is left as it was. A chosen path too
// long for the buffer counts as nothing selected, since a cut path would name another file.
// Returns VAL_NO_FILE_SELECTED, VAL_EXISTING_FILE_SELECTED or VAL_NEW_FILE_SELECTED.
//
// Under a pop-up hook (platform/popups.h) the hook receives PopupKind::FileSelect with the title,
// the starting directory as the message, buttons {defaultFileSpec, fileTypeList, button label},
// and maxResponseLength MAX_PATHNAME_LEN - 1; it puts the chosen path into `response` and
// returns 0, 1 or 2 (anything else counts as 0).
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                    const char* fileTypeList, const char* title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* pathName);

// Modal folder dialog, opening in defaultDirectory (empty: the current directory). pathName
// (MAX_PATHNAME_LEN bytes) receives the chosen folder's full path, with the platform's
// separators, only when one was chosen (a path too long for it counts as none chosen).
// Returns 1 when a folder was chosen, 0 when not. Under a pop-up hook the hook receives
// PopupKind::DirSelect with the title and the starting directory as the message, puts the
// chosen path into `response` and returns 1 or 0.
int DirSelectPopup(const char* defaultDirectory, const char* title, int allowCancel,
                   int allowMakeDirectory, char* pathName);

// Splits path into drive (MAX_DRIVENAME_LEN bytes), directory (MAX_DIRNAME_LEN) and file name
// (MAX_FILENAME_LEN); any of the three may be null. The directory keeps its trailing separator
// ("/data/" for "/data/Parameter.ini"), so drive + directory + file gives the path back; a path
// without a separator is all file name. On Windows "C:" is the drive and both '\' and '/'
// separate; elsewhere the drive is always empty.
// Returns 0, or -1 when path is null or a part does not fit its buffer (all parts are then
// empty).
int SplitPath(const char* path, char* drive, char* dir, char* file);
