// The indexes behind section and item lookups: each name, as the store compares names, leads to
// its first section, or to its first item within a section. The tables hold hashes and
// positions only, so building one costs one allocation, not one per name.
#include <cstring>
#include <new>

#include "ini/ini_document.h"
#include "ini/toolbox.h"

namespace {

// Upper case of every byte: ASCII letters folded, everything else itself.
struct UpperTable {
    unsigned char byte[256];
    constexpr UpperTable() : byte()
    {
        for (int i = 0; i < 256; ++i)
            byte[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 'a' + 'A' : i);
    }
};
constexpr UpperTable kUpper;

constexpr size_t kMinSlots = 8;

// Whether n bytes at a and b are equal, a word at a time: names are short, and comparing them
// this way costs a few instructions where a call to memcmp costs more than the compare.
INI_ALWAYS_INLINE bool EqualBytes(const char* a, const char* b, size_t n)
{
    uint64_t x = 0;
    uint64_t y = 0;
    if (n >= 8) {
        for (size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&x, a + i, 8);
            std::memcpy(&y, b + i, 8);
            if (x != y)
                return false;
        }
        // The last word, overlapping the one before when n is not a multiple of 8.
        std::memcpy(&x, a + n - 8, 8);
        std::memcpy(&y, b + n - 8, 8);
        return x == y;
    }
    if (n >= 4) {
        uint32_t u = 0;
        uint32_t v = 0;
        std::memcpy(&u, a, 4);
        std::memcpy(&v, b, 4);
        if (u != v)
            return false;
        std::memcpy(&u, a + n - 4, 4);
        std::memcpy(&v, b + n - 4, 4);
        return u == v;
    }
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

INI_ALWAYS_INLINE unsigned char Upper(char c) { return kUpper.byte[static_cast<unsigned char>(c)]; }

// The slot is taken from the hash mixed once more, so that its low bits depend on all of it.
INI_ALWAYS_INLINE size_t SlotOf(uint32_t hash, size_t mask)
{
    uint32_t h = hash ^ (hash >> 16);
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    return static_cast<size_t>(h) & mask;
}

// Items are keyed by their section and their tag: the section goes into the hash's seed.
INI_ALWAYS_INLINE uint32_t SectionSeed(size_t section) { return static_cast<uint32_t>(section + 1) * 0x9e3779b9u; }

// The hash and the match of a name already without surrounding white space (a query, trimmed
// once for all the probes it makes).
// The ASCII letters among eight bytes upper-cased at once: a byte below 128 whose low seven bits
// lie from 'a' to 'z' loses 0x20. No sum carries into the next byte.
INI_ALWAYS_INLINE uint64_t UpperWord(uint64_t x)
{
    constexpr uint64_t ones = 0x0101010101010101ull;
    const uint64_t low7 = x & (0x7f * ones);
    const uint64_t atLeastA = low7 + (0x80 - 'a') * ones;
    const uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * ones;
    const uint64_t lower = atLeastA & ~aboveZ & ~x & (0x80 * ones);
    return x - (lower >> 2);
}

INI_ALWAYS_INLINE uint64_t Mix(uint64_t hash, uint64_t word) { return (hash ^ word) * 0x100000001b3ull; }

// Names hash a word at a time; equal names (after folding) have equal lengths, so they load
// the same words, overlapping ones included.
uint32_t HashTrimmed(std::string_view name, uint32_t seed)
{
    const char* p = name.data();
    const size_t n = name.size();
    uint64_t hash = Mix(0xcbf29ce484222325ull ^ seed, n);
    uint64_t word = 0;
    if (n >= 8) {
        for (size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&word, p + i, 8);
            hash = Mix(hash, UpperWord(word));
        }
        std::memcpy(&word, p + n - 8, 8);
        hash = Mix(hash, UpperWord(word));
    } else if (n >= 4) {
        uint32_t half = 0;
        std::memcpy(&half, p, 4);
        word = half;
        std::memcpy(&half, p + n - 4, 4);
        word |= static_cast<uint64_t>(half) << 32;
        hash = Mix(hash, UpperWord(word));
    } else {
        for (size_t i = 0; i < n; ++i)
            word = (word << 8) | Upper(p[i]);
        hash = Mix(hash, word);
    }
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

INI_ALWAYS_INLINE bool MatchesTrimmed(std::string_view stored, std::string_view trimmed)
{
    if (stored.size() != trimmed.size()) {
        // Stored names are trimmed already, except a base tag taken from continuation lines.
        // A stored name of the same length matches only as it stands: trimming would shorten it.
        if (stored.size() < trimmed.size() ||
            (!IsIniWhiteSpace(stored.data()[0]) && !IsIniWhiteSpace(stored.data()[stored.size() - 1])))
            return false;
        stored = TrimWhiteSpace(stored);
        if (stored.size() != trimmed.size())
            return false;
    }
    if (trimmed.empty())
        return true;
    // Names of one section often differ only at the end ("CELL 0", "CELL 1").
    const size_t last = trimmed.size() - 1;
    if (Upper(stored.data()[last]) != Upper(trimmed.data()[last]))
        return false;
    // Names are mostly spelled alike; the byte-wise compare settles those at once.
    if (EqualBytes(stored.data(), trimmed.data(), trimmed.size()))
        return true;
    for (size_t i = 0; i < trimmed.size(); ++i)
        if (Upper(stored[i]) != Upper(trimmed[i]))
            return false;
    return true;
}

// Names that differ mostly differ at their end ("TEACH VECTOR 4", "TEACH VECTOR 5"), which is
// looked at first.
INI_ALWAYS_INLINE bool SameBytes(const std::string& stored, std::string_view name)
{
    const size_t size = name.size();
    return stored.size() == size &&
           (size == 0 || (stored.data()[size - 1] == name.data()[size - 1] &&
                          EqualBytes(stored.data(), name.data(), size - 1)));
}

// The section found last, when name is its name exactly as stored, else -1. Lookups only ever
// find the first section of a name, so that section is the answer without asking the index: a
// run of gets in one section, as written, costs one compare each.
INI_ALWAYS_INLINE int LastFoundByExactName(const IniText doc, std::string_view name)
{
    const int last = doc->lastFoundSection;
    if (last < 0 || static_cast<size_t>(last) >= doc->sections.size() ||
        !SameBytes(doc->sections[static_cast<size_t>(last)].name, name))
        return -1;
    return last;
}

// The latest section name looked up that the above cannot answer (absent, or spelled otherwise
// than stored), as given.
INI_ALWAYS_INLINE bool IsSectionQuery(const IniText doc, std::string_view name)
{
    return doc->sectionQueryResult != -2 && SameBytes(doc->sectionQuery, name);
}

INI_ALWAYS_INLINE std::string_view NameAt(const IniText doc, const IniIndexSlot& slot, bool items)
{
    const IniSection& section = doc->sections[slot.section - 1];
    if (!items)
        return section.name;
    return section.items[slot.item].tag;
}

// The slot of the name (for items: within the section at position + 1 `section`), or nullptr.
// name is trimmed and hash is its hash.
const IniIndexSlot* Find(const IniText doc, const IniNameTable& table, bool items, uint32_t hash,
                         uint32_t section, std::string_view name)
{
    if (table.slots.empty())
        return nullptr;
    const size_t mask = table.slots.size() - 1;
    for (size_t i = SlotOf(hash, mask);; i = (i + 1) & mask) {
        const IniIndexSlot& slot = table.slots[i];
        if (slot.section == 0)
            return nullptr;
        if (slot.hash == hash && (!items || slot.section == section) &&
            MatchesTrimmed(NameAt(doc, slot, items), name))
            return &slot;
    }
}

// Room for `count` names at most half full; the table must be empty.
void Reserve(IniNameTable& table, size_t count)
{
    size_t size = kMinSlots;
    while (size < 2 * count)
        size *= 2;
    table.slots.clear();
    table.slots.resize(size);  // zeroed: empty
    table.count = 0;
}

// Doubles the table; the names in it are all different, so they only need an empty slot each.
void Grow(IniNameTable& table)
{
    std::vector<IniIndexSlot> bigger(table.slots.empty() ? kMinSlots : 2 * table.slots.size());
    const size_t mask = bigger.size() - 1;
    for (const IniIndexSlot& slot : table.slots) {
        if (slot.section == 0)
            continue;
        size_t i = SlotOf(slot.hash, mask);
        while (bigger[i].section != 0)
            i = (i + 1) & mask;
        bigger[i] = slot;
    }
    table.slots.swap(bigger);
}

// Enters a name unless it is there already: entering from the front leaves the first. Throws
// only std::bad_alloc, before anything changes.
void Insert(const IniText doc, IniNameTable& table, bool items, const IniIndexSlot& entry)
{
    if (2 * (table.count + 1) > table.slots.size())
        Grow(table);
    const std::string_view name = TrimWhiteSpace(NameAt(doc, entry, items));
    const size_t mask = table.slots.size() - 1;
    size_t i = SlotOf(entry.hash, mask);
    for (; table.slots[i].section != 0; i = (i + 1) & mask) {
        const IniIndexSlot& slot = table.slots[i];
        if (slot.hash == entry.hash && (!items || slot.section == entry.section) &&
            MatchesTrimmed(NameAt(doc, slot, items), name))
            return;
    }
    table.slots[i] = entry;
    ++table.count;
}

void InsertItem(const IniText doc, size_t section, size_t item)
{
    const std::string_view tag = doc->sections[section].items[item].tag;
    Insert(doc, doc->itemIndex, true,
           {IniNameHash(tag, SectionSeed(section)), static_cast<uint32_t>(section + 1),
            static_cast<uint32_t>(item)});
}

void InsertItems(const IniText doc, size_t section)
{
    for (size_t i = 0; i < doc->sections[section].items.size(); ++i)
        InsertItem(doc, section, i);
}

bool EnsureIndex(IniText doc)
{
    if (doc->indexed)
        return true;
    doc->sectionQueryResult = -2;
    doc->itemsIndexed = false;
    try {
        Reserve(doc->sectionIndex, doc->sections.size());
        for (size_t i = 0; i < doc->sections.size(); ++i)
            Insert(doc, doc->sectionIndex, false,
                   {IniNameHash(doc->sections[i].name), static_cast<uint32_t>(i + 1), 0});
        doc->indexed = true;
    } catch (const std::bad_alloc&) {
        doc->indexed = false;
    }
    return doc->indexed;
}

// The items of every large section at once: one table costs less than one per section.
bool EnsureItemIndex(IniText doc)
{
    if (doc->itemsIndexed)
        return true;
    try {
        size_t total = 0;
        for (const IniSection& section : doc->sections)
            if (section.items.size() > kIniSmallSection)
                total += section.items.size();
        Reserve(doc->itemIndex, total);
        for (size_t s = 0; s < doc->sections.size(); ++s)
            if (doc->sections[s].items.size() > kIniSmallSection)
                InsertItems(doc, s);
        doc->itemsIndexed = true;
    } catch (const std::bad_alloc&) {
        doc->itemsIndexed = false;
    }
    return doc->itemsIndexed;
}

INI_ALWAYS_INLINE IniItem* Found(IniText doc, IniItem& item)
{
    doc->lineOfLastAccess = item.sourceLine;
    return &item;
}

}  // namespace

uint32_t IniNameHash(std::string_view name, uint32_t seed)
{
    return HashTrimmed(TrimWhiteSpace(name), seed);
}


namespace {

// The indexed section lookup after the last-found section did not answer: the section or
// nullptr. A name that is absent, or spelled otherwise than stored, is remembered for the gets
// that usually follow, unless `remember` is false. Throws std::bad_alloc when the name cannot
// be remembered.
IniSection* FindSectionIndexed(IniText doc, std::string_view name, bool remember = true)
{
    int position = -1;
    if (!IsSectionQuery(doc, name)) {
        const std::string_view trimmed = TrimWhiteSpace(name);
        const IniIndexSlot* slot = Find(doc, doc->sectionIndex, false, HashTrimmed(trimmed, 0), 0, trimmed);
        position = slot == nullptr ? -1 : static_cast<int>(slot->section) - 1;
        // A name as stored is answered by the last-found section from now on.
        if (remember && (position < 0 || !SameBytes(doc->sections[static_cast<size_t>(position)].name, name))) {
            doc->sectionQueryResult = -2;
            doc->sectionQuery.assign(name);
            doc->sectionQueryResult = position;
        }
    } else {
        position = doc->sectionQueryResult;
    }
    if (position < 0)
        return nullptr;
    doc->lastFoundSection = position;
    return &doc->sections[static_cast<size_t>(position)];
}

}  // namespace

IniSection* IniFindSection(IniText doc, std::string_view name)
{
    try {
        if (doc->indexed || EnsureIndex(doc)) {
            const int last = LastFoundByExactName(doc, name);
            if (last >= 0)
                return &doc->sections[static_cast<size_t>(last)];
            return FindSectionIndexed(doc, name);
        }
    } catch (const std::bad_alloc&) {
        // No memory for remembering this name: the walk needs none.
    }
    return IniFindSectionLinear(doc, name);
}

bool IniSectionPresent(IniText doc, std::string_view name)
{
    try {
        if (doc->indexed || EnsureIndex(doc))
            return LastFoundByExactName(doc, name) >= 0 || FindSectionIndexed(doc, name, false) != nullptr;
    } catch (const std::bad_alloc&) {
    }
    return IniFindSectionLinear(doc, name) != nullptr;
}

IniItem* IniFindItem(IniText doc, std::string_view section, std::string_view tag)
{
    IniSection* found = nullptr;
    if (!doc->indexed && !EnsureIndex(doc))
        return IniFindItemLinear(doc, section, tag);
    const int last = LastFoundByExactName(doc, section);
    if (last >= 0) {
        found = &doc->sections[static_cast<size_t>(last)];  // another get in the same section
    } else {
        try {
            found = FindSectionIndexed(doc, section);
        } catch (const std::bad_alloc&) {
            found = IniFindSectionLinear(doc, section);
        }
        if (found == nullptr)
            return nullptr;
    }
    IniItem* const item = IniFindItemIn(doc, *found, tag);
    return item == nullptr ? nullptr : Found(doc, *item);
}

IniItem* IniFindItemIn(IniText doc, IniSection& section, std::string_view tag)
{
    const std::string_view trimmed = TrimWhiteSpace(tag);
    if (section.items.size() > kIniSmallSection && doc->indexed && EnsureItemIndex(doc)) {
        const size_t position = static_cast<size_t>(&section - doc->sections.data());
        const IniIndexSlot* slot = Find(doc, doc->itemIndex, true, HashTrimmed(trimmed, SectionSeed(position)),
                                        static_cast<uint32_t>(position + 1), trimmed);
        return slot == nullptr ? nullptr : &section.items[slot->item];
    }
    // A small section (or no memory for the index): walk its items; the first match counts.
    // Most tags differ from the one sought in length or in their last byte; a longer one may
    // still match when it has white space around it (a base tag from continuation lines).
    IniItem* const items = section.items.data();
    const size_t count = section.items.size();
    const size_t want = trimmed.size();
    const unsigned char wantLast = want > 0 ? Upper(trimmed.data()[want - 1]) : 0;
    for (size_t i = 0; i < count; ++i) {
        const std::string& stored = items[i].tag;
        const size_t size = stored.size();
        const char* const text = stored.data();
        if (size == want) {
            if (want > 0 && Upper(text[size - 1]) != wantLast)
                continue;
        } else if (size < want || (!IsIniWhiteSpace(text[0]) && !IsIniWhiteSpace(text[size - 1]))) {
            continue;
        }
        if (MatchesTrimmed(stored, trimmed))
            return &items[i];
    }
    return nullptr;
}

void IniIndexSectionAppended(IniText doc)
{
    doc->sectionQueryResult = -2;
    if (!doc->indexed)
        return;
    const size_t last = doc->sections.size() - 1;
    try {
        Insert(doc, doc->sectionIndex, false,
               {IniNameHash(doc->sections[last].name), static_cast<uint32_t>(last + 1), 0});
    } catch (const std::bad_alloc&) {
        IniDropIndex(doc);
        return;
    }
    if (!doc->itemsIndexed || doc->sections[last].items.size() <= kIniSmallSection)
        return;
    try {
        InsertItems(doc, last);
    } catch (const std::bad_alloc&) {
        doc->itemsIndexed = false;
    }
}

void IniIndexItemAppended(IniText doc, IniSection& section)
{
    if (!doc->indexed || !doc->itemsIndexed)
        return;
    const size_t size = section.items.size();
    if (size <= kIniSmallSection)
        return;
    const size_t position = static_cast<size_t>(&section - doc->sections.data());
    try {
        // A section that has just grown large enters the index with all its items.
        if (size == kIniSmallSection + 1)
            InsertItems(doc, position);
        else
            InsertItem(doc, position, size - 1);
    } catch (const std::bad_alloc&) {
        doc->itemsIndexed = false;
    }
}

void IniIndexItemsRemoved(IniText doc, IniSection&)
{
    doc->itemsIndexed = false;  // positions behind the removed ones moved: made again when needed
}
