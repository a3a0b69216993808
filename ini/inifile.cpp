// Document model: creation, lookups, puts and gets.
#include <algorithm>
#include <charconv>
#include <new>

#include "ini/ini_document.h"
#include "ini/toolbox.h"

IniText Ini_New(int sorted)
{
    if (sorted != 0)
        return nullptr;
    return new (std::nothrow) IniTextRec;
}

void Ini_Dispose(IniText doc) { delete doc; }

IniSection* IniFindSectionLinear(IniText doc, std::string_view name)
{
    auto& sections = doc->sections;
    const int last = doc->lastFoundSection;
    if (last >= 0 && last < static_cast<int>(sections.size()) &&
        StrICmpWithoutSurrWhiteSpace(sections[last].name, name) == 0)
        return &sections[last];
    for (size_t i = 0; i < sections.size(); ++i) {
        if (StrICmpWithoutSurrWhiteSpace(sections[i].name, name) == 0) {
            doc->lastFoundSection = static_cast<int>(i);
            return &sections[i];
        }
    }
    return nullptr;
}

IniItem* IniFindItemLinear(IniText doc, std::string_view section, std::string_view tag)
{
    IniSection* found = IniFindSectionLinear(doc, section);
    if (found == nullptr)
        return nullptr;
    for (IniItem& item : found->items) {
        if (StrICmpWithoutSurrWhiteSpace(item.tag, tag) == 0) {
            doc->lineOfLastAccess = item.sourceLine;
            return &item;
        }
    }
    return nullptr;
}

namespace {

constexpr size_t kRoomOfAPutSection = 8;

// Everything that allocates happens before the document changes, so a put that runs out of
// memory leaves the document as it was.
int PutItem(IniText doc, const char* section, const char* tag, std::string value, bool quoted)
{
    if (doc == nullptr || section == nullptr || tag == nullptr)
        return kIniNullArgument;
    try {
        IniItem item;
        item.tag = StrDupWithoutSurrWhiteSpace(tag);
        item.value = std::move(value);
        item.quoted = quoted;

        IniSection* target = IniFindSection(doc, section);
        if (target == nullptr) {
            IniSection created;
            created.name = StrDupWithoutSurrWhiteSpace(section);
            // A section being put usually gets a few more items: room for them now saves
            // moving the first ones again and again.
            created.items.reserve(kRoomOfAPutSection);
            created.items.push_back(std::move(item));
            doc->sections.push_back(std::move(created));
            IniIndexSectionAppended(doc);
            return kIniOk;
        }
        auto& items = target->items;
        const IniItem* const match = IniFindItemIn(doc, *target, item.tag);
        if (match == nullptr) {
            items.push_back(std::move(item));
            IniIndexItemAppended(doc, *target);
            return kIniOk;
        }
        // Replacing in place keeps the item among its neighbours; later duplicates go.
        auto matches = [&](const IniItem& other) {
            return StrICmpWithoutSurrWhiteSpace(other.tag, item.tag) == 0;
        };
        const auto position = match - items.data();
        const auto first = items.begin() + position;
        const auto removed = std::remove_if(first + 1, items.end(), matches);
        const bool hadDuplicates = removed != items.end();
        items.erase(removed, items.end());
        items[position] = std::move(item);
        // The replaced item keeps its position and its name as the index sees it.
        if (hadDuplicates)
            IniIndexItemsRemoved(doc, *target);
        return kIniOk;
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

}  // namespace

int Ini_PutInt(IniText doc, const char* section, const char* tag, int32_t value)
{
    // The text "%d" gives, without the cost of formatting: a parameter file puts 470 of them.
    char text[16];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    try {
        return PutItem(doc, section, tag, std::string(text, end), false);
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

int Ini_PutString(IniText doc, const char* section, const char* tag, const char* text)
{
    try {
        return PutItem(doc, section, tag, IniEncodeString(text != nullptr ? text : ""), true);
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

int Ini_SectionExists(IniText doc, const char* section)
{
    if (doc == nullptr || section == nullptr)
        return kIniNullArgument;
    return IniSectionPresent(doc, section) ? kIniFound : 0;
}

int Ini_GetInt(IniText doc, const char* section, const char* tag, int32_t* value)
{
    if (doc == nullptr || section == nullptr || tag == nullptr || value == nullptr)
        return kIniNullArgument;
    const IniItem* item = IniFindItem(doc, section, tag);
    if (item == nullptr || !HasNonWhiteSpace(item->value))
        return 0;
    return StrToInt(item->value, value) ? kIniFound : kIniInvalidInteger;
}

int Ini_GetPointerToString(IniText doc, const char* section, const char* tag, const char** text)
{
    if (doc == nullptr || section == nullptr || tag == nullptr || text == nullptr)
        return kIniNullArgument;
    *text = nullptr;
    const IniItem* item = IniFindItem(doc, section, tag);
    if (item == nullptr)
        return 0;
    // The scratch buffer grows in steps of 1024 bytes and never shrinks.
    const size_t needed = ((item->value.size() + 1) / 1024 + 1) * 1024;
    try {
        if (doc->scratch.size() < needed)
            doc->scratch.resize(needed);
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
    IniDecodeString(item->value, doc->scratch.data());
    *text = doc->scratch.data();
    return kIniFound;
}

int Ini_GetStringIntoBuffer(IniText doc, const char* section, const char* tag, char* buffer,
                            size_t bufferSize)
{
    if (doc == nullptr || section == nullptr || tag == nullptr || buffer == nullptr)
        return kIniNullArgument;
    if (bufferSize > 0)
        buffer[0] = '\0';
    const char* text = nullptr;
    const int result = Ini_GetPointerToString(doc, section, tag, &text);
    if (result == kIniFound)
        StringCopyMax(buffer, text, bufferSize);
    return result;
}
