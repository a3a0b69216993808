// The index behind section and item lookups: each name, as the store compares names, mapped to
// its first section or to its first item within a section.
#include <new>

#include "ini/ini_document.h"
#include "ini/toolbox.h"

namespace {

// Upper case of every byte: ASCII letters folded, everything else itself.
struct UpperTable {
    char byte[256];
    constexpr UpperTable() : byte()
    {
        for (int i = 0; i < 256; ++i)
            byte[i] = static_cast<char>(i >= 'a' && i <= 'z' ? i - 'a' + 'A' : i);
    }
};
constexpr UpperTable kUpper;

}  // namespace

std::string& IniNameKey(std::string_view name, std::string& key)
{
    name = TrimWhiteSpace(name);
    key.assign(name);
    for (char& c : key)
        c = kUpper.byte[static_cast<unsigned char>(c)];
    return key;
}

namespace {

// Adds a name unless its key is there already: walking from the front leaves the first.
void Add(IniNameIndex& index, std::string_view name, int position)
{
    std::string key;
    index.emplace(std::move(IniNameKey(name, key)), position);
}

void IndexItems(IniSection& section)
{
    section.itemsIndexed = false;
    section.itemIndex.clear();
    section.itemIndex.reserve(section.items.size());
    for (size_t i = 0; i < section.items.size(); ++i)
        Add(section.itemIndex, section.items[i].tag, static_cast<int>(i));
    section.itemsIndexed = true;
}

bool EnsureIndex(IniText doc)
{
    if (doc->indexed)
        return true;
    doc->sectionQueryResult = -2;
    try {
        doc->sectionIndex.clear();
        doc->sectionIndex.reserve(doc->sections.size());
        // Items are indexed per section when first looked up there: of a file full of
        // sections, the gets visit only a few.
        for (size_t i = 0; i < doc->sections.size(); ++i) {
            Add(doc->sectionIndex, doc->sections[i].name, static_cast<int>(i));
            doc->sections[i].itemsIndexed = false;
        }
        doc->indexed = true;
    } catch (const std::bad_alloc&) {
        doc->indexed = false;
    }
    return doc->indexed;
}

}  // namespace

IniSection* IniFindSection(IniText doc, std::string_view name)
{
    try {
        if (EnsureIndex(doc)) {
            if (doc->sectionQueryResult == -2 || doc->sectionQuery != name) {
                const auto it = doc->sectionIndex.find(IniNameKey(name, doc->lookupKey));
                doc->sectionQueryResult = -2;
                doc->sectionQuery.assign(name);
                doc->sectionQueryResult = it == doc->sectionIndex.end() ? -1 : it->second;
            }
            if (doc->sectionQueryResult < 0)
                return nullptr;
            doc->lastFoundSection = doc->sectionQueryResult;
            return &doc->sections[static_cast<size_t>(doc->sectionQueryResult)];
        }
    } catch (const std::bad_alloc&) {
        // No memory for the key of this name: the walk needs none.
    }
    return IniFindSectionLinear(doc, name);
}

IniItem* IniFindItem(IniText doc, std::string_view section, std::string_view tag)
{
    try {
        if (EnsureIndex(doc)) {
            IniSection* found = IniFindSection(doc, section);
            if (found == nullptr)
                return nullptr;
            if (!found->itemsIndexed)
                IndexItems(*found);
            const auto it = found->itemIndex.find(IniNameKey(tag, doc->lookupKey));
            if (it == found->itemIndex.end())
                return nullptr;
            IniItem& item = found->items[static_cast<size_t>(it->second)];
            doc->lineOfLastAccess = item.sourceLine;
            return &item;
        }
    } catch (const std::bad_alloc&) {
    }
    return IniFindItemLinear(doc, section, tag);
}

void IniIndexSectionAppended(IniText doc)
{
    doc->sectionQueryResult = -2;
    if (!doc->indexed)
        return;
    try {
        const size_t last = doc->sections.size() - 1;
        Add(doc->sectionIndex, doc->sections[last].name, static_cast<int>(last));
        doc->sections[last].itemsIndexed = false;
    } catch (const std::bad_alloc&) {
        doc->indexed = false;
    }
}

void IniIndexItemAppended(IniText doc, IniSection& section)
{
    if (!doc->indexed || !section.itemsIndexed)
        return;
    try {
        Add(section.itemIndex, section.items.back().tag, static_cast<int>(section.items.size() - 1));
    } catch (const std::bad_alloc&) {
        doc->indexed = false;
    }
}

void IniIndexItemsRemoved(IniSection& section)
{
    section.itemsIndexed = false;  // made again at the next lookup there
}
