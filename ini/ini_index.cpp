// The index behind section and item lookups: each name, as the store compares names, mapped to
// its first section or to its first item within a section.
#include <new>

#include "ini/ini_document.h"
#include "ini/toolbox.h"

size_t IniNameHash::operator()(std::string_view name) const
{
    // FNV-1a over the bytes that the comparison sees: trimmed, ASCII letters upper-cased.
    uint64_t hash = 14695981039346656037ULL;
    for (char c : TrimWhiteSpace(name)) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 'a' && u <= 'z')
            u = static_cast<unsigned char>(u - 'a' + 'A');
        hash = (hash ^ u) * 1099511628211ULL;
    }
    return static_cast<size_t>(hash);
}

bool IniNameEqual::operator()(std::string_view a, std::string_view b) const
{
    return StrICmpWithoutSurrWhiteSpace(a, b) == 0;
}

namespace {

// emplace keeps an existing entry, so walking from the front leaves the first occurrence.
void IndexItems(IniSection& section)
{
    section.itemIndex.clear();
    section.itemIndex.reserve(section.items.size());
    for (size_t i = 0; i < section.items.size(); ++i)
        section.itemIndex.emplace(section.items[i].tag, static_cast<int>(i));
}

bool EnsureIndex(IniText doc)
{
    if (doc->indexed)
        return true;
    try {
        doc->sectionIndex.clear();
        doc->sectionIndex.reserve(doc->sections.size());
        for (size_t i = 0; i < doc->sections.size(); ++i) {
            doc->sectionIndex.emplace(doc->sections[i].name, static_cast<int>(i));
            IndexItems(doc->sections[i]);
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
    if (!EnsureIndex(doc))
        return IniFindSectionLinear(doc, name);
    const auto it = doc->sectionIndex.find(name);
    if (it == doc->sectionIndex.end())
        return nullptr;
    doc->lastFoundSection = it->second;
    return &doc->sections[static_cast<size_t>(it->second)];
}

IniItem* IniFindItem(IniText doc, std::string_view section, std::string_view tag)
{
    if (!EnsureIndex(doc))
        return IniFindItemLinear(doc, section, tag);
    IniSection* found = IniFindSection(doc, section);
    if (found == nullptr)
        return nullptr;
    const auto it = found->itemIndex.find(tag);
    if (it == found->itemIndex.end())
        return nullptr;
    IniItem& item = found->items[static_cast<size_t>(it->second)];
    doc->lineOfLastAccess = item.sourceLine;
    return &item;
}

void IniIndexSectionAppended(IniText doc)
{
    if (!doc->indexed)
        return;
    try {
        const size_t last = doc->sections.size() - 1;
        doc->sectionIndex.emplace(doc->sections[last].name, static_cast<int>(last));
        IndexItems(doc->sections[last]);
    } catch (const std::bad_alloc&) {
        doc->indexed = false;
    }
}

void IniIndexItemAppended(IniText doc, IniSection& section)
{
    if (!doc->indexed)
        return;
    try {
        section.itemIndex.emplace(section.items.back().tag, static_cast<int>(section.items.size() - 1));
    } catch (const std::bad_alloc&) {
        doc->indexed = false;
    }
}

void IniIndexItemsRemoved(IniText doc, IniSection& section)
{
    if (!doc->indexed)
        return;
    try {
        IndexItems(section);
    } catch (const std::bad_alloc&) {
        doc->indexed = false;
    }
}
