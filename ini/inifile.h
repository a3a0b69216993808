// The settings store: an in-memory INI document (ordered sections of ordered items, each a tag
// and a text value) with typed puts and gets, and its line-oriented text form on disk.
//
// Text form, one line each, ended by carriage return and line feed when written:
//   ; comment          comment lines, kept before the document, a section or an item
//   [SECTION NAME]     section header
//   TAG = value        item; TAG = "text" for strings (escapes \n \r \t \" \\ \xhh)
//   TAG Line0001 = "…" a long value split over numbered continuation lines, rejoined on reading
//
// Names and tags match without case and without surrounding white space. Lookups take the first
// match, so of two equal sections or items in a file only the first is found. Texts are bytes
// (UTF-8 in practice); nothing is transcoded.
//
// Documents are not shared between threads. No function throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

struct IniTextRec;
typedef IniTextRec* IniText;

// Result codes. 1 and 0 are the results of success (see each operation).
inline constexpr int kIniFound = 1;
inline constexpr int kIniOk = 0;
inline constexpr int kIniOutOfMemory = -12;
inline constexpr int kIniNullArgument = -65;          // no document, or a required argument missing
inline constexpr int kIniInvalidInteger = -5021;      // "Invalid Integer Number"
inline constexpr int kIniCouldNotOpenForReading = -5001;  // "Could Not Open File For Reading"
inline constexpr int kIniErrorReadingFile = -5002;        // "Error Reading From File"
inline constexpr int kIniNoUnusedTempName = -5003;  // "Could Not Find Unused Temporary File Name"
inline constexpr int kIniCouldNotCreateTemp = -5004;      // "Could Not Create Temporary File"
inline constexpr int kIniNotARegularFile = -5005;  // the target is a folder, device, FIFO or socket
inline constexpr int kIniNotWritable = -95;     // target not writable, or EPERM/EACCES on write
inline constexpr int kIniDiskFull = -97;        // ENOSPC on write or flush
inline constexpr int kIniIoError = -93;         // any other write, flush or path failure
inline constexpr int kIniProbeRefused = -91;    // the file system refused to report on the target
inline constexpr int kIniRenameNotFound = -94;  // final rename: a path vanished (ENOENT, ENOTDIR)
inline constexpr int kIniRenameFailed = -100;   // final rename: any other refusal

// A new empty document, or nullptr when memory runs out. sorted must be 0: documents always
// keep sections and items in the order they were added (a sorted mode is not offered, so a
// non-zero flag also gives nullptr).
IniText Ini_New(int sorted);

// Releases the document and everything in it. nullptr is ignored.
void Ini_Dispose(IniText doc);

// Puts an item. A section that does not exist is appended; an item whose tag matches replaces
// every matching item at the position of the first one (taking the tag as written now).
// Returns 0, -12 (nothing stored) or -65 (no document, section or tag).
int Ini_PutInt(IniText doc, const char* section, const char* tag, int32_t value);

// As Ini_PutInt, for a text stored with escapes and written between double quotes. A nullptr
// text counts as empty.
int Ini_PutString(IniText doc, const char* section, const char* tag, const char* text);

// 1 when the document holds a section of that name (matched as everywhere: without case and
// surrounding white space), 0 when not, -65 no document or name.
int Ini_SectionExists(IniText doc, const char* section);

// 1 and the number in *value; 0 when the section or item is absent or its value is blank;
// -5021 when the value is not a decimal integer in 32-bit range; -65 no document or value
// pointer. *value is written only when 1 is returned.
int Ini_GetInt(IniText doc, const char* section, const char* tag, int32_t* value);

// Decodes the item's value into buffer (bufferSize bytes including the terminator), cut to
// bufferSize - 1 bytes. 1 when found; 0 when absent (buffer then holds ""); -12; -65 no
// document or buffer. A bufferSize of 0 writes nothing.
int Ini_GetStringIntoBuffer(IniText doc, const char* section, const char* tag, char* buffer,
                            size_t bufferSize);

// Decodes the item's value into the document's own scratch buffer and points *text at it; the
// text stays valid until the next string get on this document or its disposal. 1 found, 0
// absent (*text = nullptr), -12, -65.
int Ini_GetPointerToString(IniText doc, const char* section, const char* tag, const char** text);

// Line source for Ini_ReadGeneric: stores the next line (at most maxChars bytes, zero-terminated,
// no line end) in line, its number (from 1) in *lineNumber, and sets *endOfFile (with an empty
// line) when there is none. Returns 0 or a negative code, which ends the read with that code.
typedef int (*IniLineSource)(void* sourceData, char* line, int maxChars, int* endOfFile,
                             int* lineNumber);

// Line sink for Ini_WriteGeneric: takes one line of text without its line end (a stored comment
// of several lines comes as one call, its lines joined by carriage return and line feed).
// Returns 0 or a negative code, which ends the write with that code.
typedef int (*IniLineSink)(void* sinkData, const char* line);

// Adds the lines of the source to the document (nothing is cleared first; header and trailer
// comments are taken only if the document has none). Lines of no valid form are ignored, never
// an error. Returns 0, the source's negative code (what was read so far stays, continuation
// lines unmerged), -12 or -65.
int Ini_ReadGeneric(IniText doc, IniLineSource source, void* sourceData);

// Hands the document's lines to the sink. Returns 0, the sink's first negative code, -12, -65.
int Ini_WriteGeneric(IniText doc, IniLineSink sink, void* sinkData);

// Adds the content of the file at path. Only a regular file is opened (a FIFO, a device or a
// folder counts as a missing file, so reading never waits). Returns 0, -65, -5001, -5002 or -12.
int Ini_ReadFromFile(IniText doc, const char* path);

// Replaces the file at path by the document's text: the lines go to a new temporary file
// "ini$$<hash of the file name>.<random>.TMP" in the same folder, which is then renamed over the
// target, so the target always holds either its old or its new complete content. A symbolic
// link is followed: the file it leads to is replaced and the link stays. A target that exists
// and is not a regular file (a folder, device, FIFO or socket) is refused and left untouched.
// Temporary files in that folder that earlier writers left behind (killed part-way), whatever
// their target, are removed first.
// Returns 0, -65, -95, -91, -93, -97, -12, -5003, -5004, -5005, -94 or -100. On failure the
// target is as it was; if it vanished meanwhile and the rename fails, the new content is left
// under the temporary name.
int Ini_WriteToFile(IniText doc, const char* path);

// The end of a background write: result 0 when the target has been replaced, or a negative code
// of Ini_WriteToFile with the target as it was.
typedef void (*IniWriteDone)(void* user, int result);

// Replaces the file at path by the document's text as Ini_WriteToFile does, with the same
// safety, but only checking the target and rendering the document happen before it returns.
// Writing the temporary file, making it durable and renaming it over the target run on one of
// the store's worker threads, so that the file system's and the disk's waits of many files
// overlap instead of following one another. The document may be changed or disposed of as soon
// as this returns.
// Returns 0 when the rest is under way: done(user, result) then follows exactly once, on a
// worker thread (before this returns where the system has none). Returns a negative code of
// Ini_WriteToFile when the write could not start: nothing changed and done is not called.
// Leftover temporary files are removed from a folder before its first background write of the
// process, not before every one: with hundreds of writes under way in one folder, looking at
// each of the others' temporary files every time would cost more than the writes.
int Ini_WriteToFileInBackground(IniText doc, const char* path, IniWriteDone done, void* user);

// Puts the items of a document into doc (new and empty): 0, or the code of the first put that
// failed.
typedef std::function<int(IniText doc)> IniBuild;

// Ini_WriteToFileInBackground of the document that build makes, with building and rendering it
// on the worker thread as well: a caller that writes many files keeps only the check of each
// target. build must use nothing but what it holds (it runs on another thread, after this has
// returned). A build that fails leaves the target as it was, and done gets its code.
int Ini_BuildAndWriteInBackground(const char* path, IniBuild build, IniWriteDone done, void* user);

// The same, with the text written by stream as it puts (ini/ini_stream.h); build makes the
// document only when the stream cannot take stream's puts. Both must put the same items.
class IniStream;
typedef std::function<int(IniStream& stream)> IniStreamBuild;
int Ini_BuildAndWriteInBackground(const char* path, IniStreamBuild stream, IniBuild build, IniWriteDone done,
                                  void* user);

// A short description of a result code of this store, for the operator ("" for 0 and 1).
const char* GetToolboxErrorString(int code);
