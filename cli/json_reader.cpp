#include "cli/json_reader.h"

#include <cstdint>

#include "cli/utf8.h"

namespace cli {

namespace {

constexpr int kMaxDepth = 64;

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool Fail(const std::string& what)
    {
        if (error_.empty())
            error_ = what + " at byte " + std::to_string(pos_);
        return false;
    }
    const std::string& Error() const { return error_; }

    void SkipBlanks()
    {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' ||
                                       text_[pos_] == '\r'))
            ++pos_;
    }
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
    bool Take(char c)
    {
        if (AtEnd() || text_[pos_] != c)
            return false;
        ++pos_;
        return true;
    }

    // A value; what it is goes to *kind and, for a plain value, its text to *out.
    bool Value(int depth, JsonKind* kind, std::string* out)
    {
        SkipBlanks();
        if (AtEnd())
            return Fail("a value is missing");
        const char c = Peek();
        if (c == '{') {
            *kind = JsonKind::Object;
            return Object(depth + 1, nullptr);
        }
        if (c == '[') {
            *kind = JsonKind::Array;
            return Array(depth + 1);
        }
        if (c == '"') {
            *kind = JsonKind::String;
            return String(out);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            *kind = JsonKind::Number;
            return Number(out);
        }
        for (const char* word : {"true", "false", "null"}) {
            const std::string_view w(word);
            if (text_.substr(pos_, w.size()) == w) {
                pos_ += w.size();
                *kind = w == "null" ? JsonKind::Null : JsonKind::Boolean;
                *out = word;
                return true;
            }
        }
        return Fail("not a JSON value");
    }

    // An object; its members go to *members when it is the top one (members is not null).
    bool Object(int depth, std::vector<JsonMember>* members)
    {
        if (depth > kMaxDepth)
            return Fail("nested deeper than " + std::to_string(kMaxDepth));
        ++pos_;  // '{'
        SkipBlanks();
        if (Take('}'))
            return true;
        for (;;) {
            SkipBlanks();
            if (AtEnd() || Peek() != '"')
                return Fail("a member name in quotes is expected");
            JsonMember member;
            if (!String(&member.name))
                return false;
            SkipBlanks();
            if (!Take(':'))
                return Fail("':' is expected after a member name");
            std::string text;
            if (!Value(depth, &member.kind, &text))
                return false;
            if (members) {
                member.text = std::move(text);
                members->push_back(std::move(member));
            }
            SkipBlanks();
            if (Take('}'))
                return true;
            if (!Take(','))
                return Fail("',' or '}' is expected");
        }
    }

    bool Array(int depth)
    {
        if (depth > kMaxDepth)
            return Fail("nested deeper than " + std::to_string(kMaxDepth));
        ++pos_;  // '['
        SkipBlanks();
        if (Take(']'))
            return true;
        for (;;) {
            JsonKind kind;
            std::string ignored;
            if (!Value(depth, &kind, &ignored))
                return false;
            SkipBlanks();
            if (Take(']'))
                return true;
            if (!Take(','))
                return Fail("',' or ']' is expected");
        }
    }

    bool Number(std::string* out)
    {
        const size_t start = pos_;
        Take('-');
        if (Take('0')) {
        } else if (Digits() == 0) {
            return Fail("a number needs digits");
        }
        if (Take('.') && Digits() == 0)
            return Fail("a fraction needs digits");
        if (Take('e') || Take('E')) {
            if (!Take('+'))
                Take('-');
            if (Digits() == 0)
                return Fail("an exponent needs digits");
        }
        *out = std::string(text_.substr(start, pos_ - start));
        return true;
    }

    size_t Digits()
    {
        size_t n = 0;
        while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
            ++pos_;
            ++n;
        }
        return n;
    }

    bool String(std::string* out)
    {
        ++pos_;  // '"'
        out->clear();
        for (;;) {
            if (AtEnd())
                return Fail("a string is not closed");
            const unsigned char c = static_cast<unsigned char>(text_[pos_]);
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c < 0x20)
                return Fail("a control character in a string");
            if (c == '\\') {
                if (!Escape(out))
                    return false;
                continue;
            }
            const size_t n = Utf8SequenceLength(text_, pos_);
            if (n == 0)
                return Fail("a string is not UTF-8");
            out->append(text_.substr(pos_, n));
            pos_ += n;
        }
    }

private:
    bool Hex4(uint32_t* code)
    {
        if (pos_ + 4 > text_.size())
            return Fail("\\u needs four hex digits");
        uint32_t v = 0;
        for (size_t k = 0; k < 4; ++k) {
            const char h = text_[pos_ + k];
            v <<= 4;
            if (h >= '0' && h <= '9')
                v |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f')
                v |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                v |= static_cast<uint32_t>(h - 'A' + 10);
            else
                return Fail("\\u needs four hex digits");
        }
        pos_ += 4;
        *code = v;
        return true;
    }

    bool Escape(std::string* out)
    {
        ++pos_;  // '\\'
        if (AtEnd())
            return Fail("a string is not closed");
        const char e = text_[pos_++];
        switch (e) {
        case '"': out->push_back('"'); return true;
        case '\\': out->push_back('\\'); return true;
        case '/': out->push_back('/'); return true;
        case 'b': out->push_back('\b'); return true;
        case 'f': out->push_back('\f'); return true;
        case 'n': out->push_back('\n'); return true;
        case 'r': out->push_back('\r'); return true;
        case 't': out->push_back('\t'); return true;
        case 'u': break;
        default: return Fail("an unknown escape in a string");
        }
        uint32_t code;
        if (!Hex4(&code))
            return false;
        if (code >= 0xDC00 && code <= 0xDFFF)
            return Fail("a lone low surrogate in a string");
        if (code >= 0xD800 && code <= 0xDBFF) {
            uint32_t low;
            if (!Take('\\') || !Take('u') || !Hex4(&low) || low < 0xDC00 || low > 0xDFFF)
                return Fail("a high surrogate without its low one in a string");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        if (code < 0x80) {
            out->push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (code >> 6)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out->push_back(static_cast<char>(0xE0 | (code >> 12)));
            out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xF0 | (code >> 18)));
            out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
    std::string error_;
};

}  // namespace

bool ReadJsonObject(std::string_view text, std::vector<JsonMember>* members, std::string* error)
{
    members->clear();
    Reader reader(text);
    reader.SkipBlanks();
    bool ok = !reader.AtEnd() && reader.Peek() == '{' ? reader.Object(1, members) : reader.Fail("not a JSON object");
    if (ok) {
        reader.SkipBlanks();
        if (!reader.AtEnd())
            ok = reader.Fail("text after the object");
    }
    if (!ok) {
        members->clear();
        if (error)
            *error = reader.Error();
    }
    return ok;
}

const char* JsonKindName(JsonKind kind)
{
    switch (kind) {
    case JsonKind::Null: return "null";
    case JsonKind::Boolean: return "true or false";
    case JsonKind::Number: return "a number";
    case JsonKind::String: return "a string";
    case JsonKind::Array: return "an array";
    case JsonKind::Object: return "an object";
    }
    return "?";
}

}  // namespace cli
