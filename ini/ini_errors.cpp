// The operator's words for the store's result codes; the callers name the file themselves.
#include "ini/inifile.h"

const char* GetToolboxErrorString(int code)
{
    switch (code) {
    case kIniFound:
    case kIniOk: return "";
    case kIniOutOfMemory: return "Out of memory.";
    case kIniNullArgument: return "No document.";
    case kIniInvalidInteger: return "Invalid Integer Number";
    case kIniCouldNotOpenForReading:
        return "The file cannot be opened for reading (it is missing, not a file, or not accessible).";
    case kIniErrorReadingFile: return "Error Reading From File";
    case kIniNoUnusedTempName: return "Could Not Find Unused Temporary File Name";
    case kIniCouldNotCreateTemp: return "Could Not Create Temporary File";
    case kIniNotARegularFile:
        return "The path names a folder, a device, a FIFO or a socket, not a file; it was left untouched.";
    case kIniNotWritable: return "The file or its folder cannot be written (no access, or not a file).";
    case kIniDiskFull: return "The disk is full.";
    case kIniProbeRefused: return "Access to the path was refused.";
    case kIniRenameNotFound: return "The file or its folder does not exist.";
    case kIniRenameFailed: return "The new file could not replace the old one.";
    default: return "Error writing the file.";
    }
}
