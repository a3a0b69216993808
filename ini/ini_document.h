// The records of an INI document, shared by the document operations, the reader and the
// writer. Not part of the store's interface: callers hold only the IniText handle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ini/inifile.h"

// Fixed tokens of the text form. The store offers no way to change them, nor the quoting of
// strings, duplicate checking or the line length below, because the system never does.
inline constexpr char kIniSectionStart = '[';
inline constexpr char kIniSectionEnd = ']';
inline constexpr char kIniSeparator = '=';
inline constexpr std::string_view kIniWrittenSeparator = " = ";
inline constexpr char kIniCommentToken = ';';
inline constexpr int kIniMaxLine = 1024;        // longest line read or item line written
inline constexpr int kIniMaxName = 255;         // longest section name or tag read or written
inline constexpr int kIniMaxValueLineLength = 80;  // longer values go onto continuation lines

// Section names and tags match (StrICmpWithoutSurrWhiteSpace) when they are equal once their
// surrounding white space is removed and ASCII letters are upper-cased. The hash is taken over
// that form, so names that match hash alike.
uint32_t IniNameHash(std::string_view name, uint32_t seed = 0);

// An index of names: open addressing over slots that hold a name's hash and where the name
// stands (a section, and for items an item within it). No name is copied into it; a probe
// compares hashes and then the names in the document. Of two equal names only the first is
// entered, so lookups find the first.
struct IniIndexSlot {  // all zero: an empty slot
    uint32_t hash;
    uint32_t section;  // the section's position + 1
    uint32_t item;     // for items: the item's position in the section
};
// A section of at most this many items is searched by walking its items: cheaper than hashing
// them all, when a parameter file's gets look at nearly every item once.
inline constexpr size_t kIniSmallSection = 16;
struct IniNameTable {
    std::vector<IniIndexSlot> slots;  // a power of two, at most half full
    size_t count = 0;
};

// Comments are the texts of one or more comment lines joined by CR LF; an empty string means
// none (a comment line is never empty, it holds at least the comment token).
struct IniItem {
    std::string tag;        // without surrounding white space (except a merged base tag)
    std::string value;      // stored form: escapes stay encoded, enclosing quotes removed
    int32_t sourceLine = 0; // line of the file read (first continuation line); 0 when put
    bool quoted = false;    // written between double quotes
    std::string comment;
};

struct IniSection {
    std::string name;       // without surrounding white space
    std::vector<IniItem> items;
    int32_t sourceLine = 0; // line of the header in the file read; 0 when put
    std::string comment;
};

struct IniTextRec {
    std::vector<IniSection> sections;
    // Index of the section of the latest successful lookup, tried first by the next one so
    // that a run of gets or puts in one section skips the search. Sections are never removed,
    // so the index stays valid while sections are appended.
    int lastFoundSection = -1;
    int32_t lineOfLastAccess = -1;
    std::vector<char> scratch;  // decoded string of the latest string get
    std::string headerComment;
    std::string trailerComment;
    // A file of many sections would make every get walk all of them. The indexes are built at
    // the first lookup after a read and kept up to date by the puts; whatever else changes
    // sections or items (the reader) drops them. Without them (or when memory for them runs
    // out) lookups walk the lists as the rules are written.
    bool indexed = false;       // sectionIndex is valid
    IniNameTable sectionIndex;  // section names
    bool itemsIndexed = false;  // itemIndex is valid (only while indexed)
    IniNameTable itemIndex;     // tags of the items of every large section, by section
    // The latest section name looked up, as given, that the last-found section does not answer
    // (absent, or spelled otherwise than stored), and its section (-1 absent, -2 nothing
    // remembered): a run of gets in one such section skips the section lookup. Any change to
    // the sections forgets it.
    std::string sectionQuery;
    int sectionQueryResult = -2;
};

IniSection* IniFindSection(IniText doc, std::string_view name);
IniItem* IniFindItem(IniText doc, std::string_view section, std::string_view tag);
// The first item of section (one of doc's) that tag names, as IniFindItem finds it, without
// noting its line as the last one accessed.
IniItem* IniFindItemIn(IniText doc, IniSection& section, std::string_view tag);
// Whether IniFindSection would find the section; a miss is not remembered, since no gets in
// that section follow.
bool IniSectionPresent(IniText doc, std::string_view name);
// The lookup rules written out as walks over the lists: the first section or item whose name
// matches. The indexed lookups above must give the same answers.
IniSection* IniFindSectionLinear(IniText doc, std::string_view name);
IniItem* IniFindItemLinear(IniText doc, std::string_view section, std::string_view tag);
// To be called by everything but the puts that adds, removes or renames sections or items.
inline void IniDropIndex(IniText doc)
{
    doc->indexed = false;
    doc->itemsIndexed = false;
    doc->sectionQueryResult = -2;
}
// The puts keep the index up to date through these, after they changed the lists: a section
// appended at the end, an item appended to a section, items removed from a section. None
// throws; without memory the index is dropped.
void IniIndexSectionAppended(IniText doc);
void IniIndexItemAppended(IniText doc, IniSection& section);
void IniIndexItemsRemoved(IniText doc, IniSection& section);

// The header line of a section and the one line of an item whose value fits it (at most
// kIniMaxValueLineLength bytes), appended to out without the line's end.
void IniAppendSectionHeader(std::string& out, std::string_view name);
void IniAppendItemLine(std::string& out, std::string_view tag, std::string_view value, bool quoted);

// The lines Ini_WriteGeneric writes of a section's header and of one item (more than one for a
// long value), each handed to sink; line is the caller's buffer for them.
int IniWriteSectionHeader(std::string_view name, IniLineSink sink, void* sinkData, std::string& line);
int IniWriteItemLines(std::string_view tag, std::string_view value, bool quoted, IniLineSink sink,
                      void* sinkData, std::string& line);

// The stored form of a text: control characters, quotes and backslashes as escapes.
std::string IniEncodeString(std::string_view text);
// Decodes a stored value into out (at least value.size() + 1 bytes), zero-terminated.
void IniDecodeString(std::string_view value, char* out);
