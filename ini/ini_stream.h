// A document written as it is put. A builder that puts each section's items together, and each
// tag once, needs no document: every put becomes its lines at once. That costs a fraction of
// making the items, looking them up and writing them out, which matters to a program that writes
// a thousand files. The text is byte for byte what Ini_WriteGeneric writes (with CR LF after each
// line) of the document the same puts make; the puts are overloads of the document's, so one
// builder serves both.
//
// A put only a document can take - into a section left earlier, or of a tag that is there
// already - returns kIniNotStreamable and leaves the text as it was: the builder then makes the
// document instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ini/inifile.h"

inline constexpr int kIniNotStreamable = -5101;

class IniStream {
public:
    IniStream();

    int PutInt(const char* section, const char* tag, int32_t value);
    int PutString(const char* section, const char* tag, const char* text);

    // The text of everything put, its last section ended; the stream is empty again.
    std::string TakeText();

private:
    // Moves to section (opening it when it is a new one) and checks that tag is new in it:
    // 0, or kIniNotStreamable / kIniNullArgument.
    int enter(const char* section, const char* tag, std::string_view* trimmedTag);
    int putLines(std::string_view tag, std::string_view value, bool quoted);

    struct Name {
        uint32_t signature;  // of the name without surrounding white space
        size_t at;           // where that name is in its list's text
        size_t size;
    };
    static bool Matches(const std::string& names, const Name& stored, const Name& entered,
                        std::string_view name);
    std::string text_;
    std::string line_;
    std::vector<Name> sections_;  // every section begun, in order; the last is open
    std::string sectionNames_;    // their names, one after the other
    std::string openAsGiven_;     // the open section's name as the last put gave it
    std::vector<Name> tags_;      // the tags of the open section
    std::string tagNames_;
};

// The document's puts, for a stream: a builder written against these serves both.
inline int Ini_PutInt(IniStream& stream, const char* section, const char* tag, int32_t value)
{
    return stream.PutInt(section, tag, value);
}
inline int Ini_PutString(IniStream& stream, const char* section, const char* tag, const char* text)
{
    return stream.PutString(section, tag, text);
}
