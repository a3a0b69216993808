// The JSON the command line reads from outside: a request is one object of plain members
// (RFC 8259). Nested arrays and objects are checked for well-formedness and kept only by their
// kind, since nothing here reads inside them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cli {

enum class JsonKind { Null, Boolean, Number, String, Array, Object };

struct JsonMember {
    std::string name;
    JsonKind kind = JsonKind::Null;
    // A string's value (escapes resolved, UTF-8), a number's literal, "true" or "false".
    std::string text;
};

// Reads text as one JSON object with blanks around it. Strings must be well-formed UTF-8
// (escaped surrogates in pairs); nesting deeper than 64 is refused rather than followed.
// Returns false with a reason that names the byte offset.
bool ReadJsonObject(std::string_view text, std::vector<JsonMember>* members, std::string* error);

// The kind's name for messages: "null", "true or false", "a number", "a string", ...
const char* JsonKindName(JsonKind kind);

}  // namespace cli
