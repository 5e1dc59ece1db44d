#include "pack/exe/pe_resources.h"

#include <algorithm>
#include <set>

namespace {

// Format notes, from the PE/COFF layout of a resource section:
// - A directory table is 16 bytes (characteristics, time stamp, major and
//   minor version, then the counts of named and numbered entries), followed
//   by its entries, 8 bytes each: named entries first, then numbered ones.
// - An entry's first word is a number, or, with the top bit set, the offset
//   of its name: a 16-bit length and that many UTF-16 code units.
// - Its second word is, with the top bit set, the offset of the next table;
//   without it, the offset of a 16-byte data entry (the data's RVA, its size,
//   its code page, a reserved word).
// - Offsets are from the start of the resource directory; the data entry's
//   address is an RVA. Windows uses three levels: type, name, language.
constexpr size_t tableSize = 16;
constexpr size_t entrySize = 8;
constexpr size_t dataEntrySize = 16;
constexpr uint32_t highBit = 0x80000000u;
constexpr int levels = 3;  // type, name, language
constexpr size_t dataAlignment = 8;

const char* const levelNames[levels] = {"type", "name", "language"};

bool fail(PeProblem* problem, PeError error, std::string detail) {
    problem->error = error;
    problem->detail = std::move(detail);
    return false;
}

struct TreeReader {
    const PeImage& image;
    ByteView tree;  // from the directory's start to the end of its section's stored data
    std::set<uint32_t> tablesSeen;
    uint64_t totalBytes = 0;
    std::vector<Resource>* resources;
    PeProblem* problem;

    bool readKey(uint32_t field, ResourceKey* key) {
        if (!(field & highBit)) {
            *key = ResourceKey::id(field);
            return true;
        }
        const uint32_t offset = field & ~highBit;
        uint16_t length = 0;
        if (!tree.u16(offset, &length) || !tree.has(offset + 2, 2 * static_cast<size_t>(length))) {
            return fail(problem, PeError::badResources, "a name at offset " + std::to_string(offset));
        }
        key->isNumber = false;
        key->number = 0;
        key->text.clear();
        for (uint16_t i = 0; i < length; ++i) {
            uint16_t unit = 0;
            tree.u16(offset + 2 + 2 * static_cast<size_t>(i), &unit);
            key->text.push_back(static_cast<char16_t>(unit));
        }
        return true;
    }

    bool readData(uint32_t offset, Resource resource) {
        uint32_t address = 0;
        uint32_t size = 0;
        if (!tree.u32(offset, &address) || !tree.u32(offset + 4, &size) || !tree.u32(offset + 8, &resource.codePage) ||
            !tree.has(offset, dataEntrySize)) {
            return fail(problem, PeError::badResources, "a data entry at offset " + std::to_string(offset));
        }
        // Every resource's bytes are copied: distinct resources never share
        // bytes in a real file, so their sizes add up to less than the file.
        totalBytes += size;
        if (totalBytes > image.file.size()) {
            return fail(problem, PeError::tooManyResources,
                        "the resources add up to more than the file's " + std::to_string(image.file.size()) + " bytes");
        }
        const ByteView bytes = bytesAt(image, address, size);
        if (size && !bytes.data()) {
            return fail(problem, PeError::badResources,
                        "resource " + resource.type.display() + " " + resource.name.display() +
                            ": its bytes are not in the file");
        }
        resource.bytes.assign(bytes.data(), bytes.data() + bytes.size());
        resources->push_back(std::move(resource));
        return true;
    }

    bool readTable(uint32_t offset, int level, const Resource& path) {
        // Each table once: this ends any cycle and keeps shared subtrees
        // from multiplying the resources.
        if (!tablesSeen.insert(offset).second) {
            return fail(problem, PeError::badResources, "the table at offset " + std::to_string(offset) + " is reached twice");
        }
        uint16_t named = 0;
        uint16_t numbered = 0;
        if (!tree.has(offset, tableSize) || !tree.u16(offset + 12, &named) || !tree.u16(offset + 14, &numbered)) {
            return fail(problem, PeError::badResources, "a table at offset " + std::to_string(offset));
        }
        const size_t count = static_cast<size_t>(named) + numbered;
        if (!tree.has(offset + tableSize, count * entrySize)) {
            return fail(problem, PeError::badResources,
                        std::to_string(count) + " entries of the table at offset " + std::to_string(offset));
        }
        std::vector<ResourceKey> keys;
        for (size_t i = 0; i < count; ++i) {
            const size_t at = offset + tableSize + entrySize * i;
            uint32_t nameField = 0;
            uint32_t dataField = 0;
            tree.u32(at, &nameField);
            tree.u32(at + 4, &dataField);
            ResourceKey key;
            if (!readKey(nameField, &key)) {
                return false;
            }
            if ((i < named) == key.isNumber) {
                return fail(problem, PeError::badResources,
                            std::string("a ") + levelNames[level] + " entry in the wrong part of its table");
            }
            keys.push_back(key);
            Resource next = path;
            if (level == 0) {
                next.type = key;
            } else if (level == 1) {
                next.name = key;
            } else {
                if (!key.isNumber) {
                    return fail(problem, PeError::badResources, "a language given by a name");
                }
                next.language = key.number;
            }
            const bool isTable = (dataField & highBit) != 0;
            if (isTable != (level < levels - 1)) {
                return fail(problem, PeError::badResources,
                            std::string("the tree does not have three levels at a ") + levelNames[level] + " entry");
            }
            const bool ok = isTable ? readTable(dataField & ~highBit, level + 1, next) : readData(dataField, std::move(next));
            if (!ok) {
                return false;
            }
        }
        // Tools differ on how they order names, so any order is taken; but a
        // key twice in one table would make two resources of one identity.
        std::sort(keys.begin(), keys.end(), resourceKeyLess);
        for (size_t i = 1; i < keys.size(); ++i) {
            if (keys[i] == keys[i - 1]) {
                return fail(problem, PeError::badResources,
                            std::string("the ") + levelNames[level] + " " + keys[i].display() + " appears twice");
            }
        }
        return true;
    }
};

void appendPadding(std::vector<uint8_t>* bytes, size_t alignment) {
    while (bytes->size() % alignment != 0) {
        bytes->push_back(0);
    }
}

void appendTableHeader(std::vector<uint8_t>* bytes, size_t named, size_t numbered) {
    appendU32(bytes, 0);  // characteristics
    appendU32(bytes, 0);  // time stamp: none, so that builds repeat exactly
    appendU16(bytes, 0);  // major version
    appendU16(bytes, 0);  // minor version
    appendU16(bytes, static_cast<uint16_t>(named));
    appendU16(bytes, static_cast<uint16_t>(numbered));
}

char16_t upperAscii(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - (u'a' - u'A')) : unit;
}

}  // namespace

ResourceKey ResourceKey::id(uint32_t value) {
    ResourceKey key;
    key.isNumber = true;
    key.number = value;
    return key;
}

ResourceKey ResourceKey::named(const std::string& ascii) {
    ResourceKey key;
    key.isNumber = false;
    key.text.assign(ascii.begin(), ascii.end());
    return key;
}

std::string ResourceKey::display() const {
    if (isNumber) {
        return std::to_string(number);
    }
    std::string shown = "\"";
    for (const char16_t unit : text) {
        shown.push_back(unit >= 0x20 && unit < 0x7F ? static_cast<char>(unit) : '?');
    }
    return shown + "\"";
}

bool sameResourceKey(const ResourceKey& a, const ResourceKey& b) {
    if (a.isNumber || b.isNumber) {
        return a == b;
    }
    return a.text.size() == b.text.size() &&
           std::equal(a.text.begin(), a.text.end(), b.text.begin(),
                      [](char16_t x, char16_t y) { return upperAscii(x) == upperAscii(y); });
}

bool resourceKeyLess(const ResourceKey& a, const ResourceKey& b) {
    if (a.isNumber != b.isNumber) {
        return !a.isNumber;
    }
    if (a.isNumber) {
        return a.number < b.number;
    }
    const size_t common = std::min(a.text.size(), b.text.size());
    for (size_t i = 0; i < common; ++i) {
        const char16_t x = upperAscii(a.text[i]);
        const char16_t y = upperAscii(b.text[i]);
        if (x != y) {
            return x < y;
        }
    }
    if (a.text.size() != b.text.size()) {
        return a.text.size() < b.text.size();
    }
    return a.text < b.text;
}

bool readResources(const PeImage& image, std::vector<Resource>* resources, PeProblem* problem) {
    resources->clear();
    *problem = PeProblem{};
    const PeDataDirectory* directory = image.directory(directoryResources);
    if (!directory || directory->address == 0) {
        return true;
    }
    const PeSection* section = sectionAt(image, directory->address);
    size_t start = 0;
    if (!section || !fileOffsetOf(image, directory->address, tableSize, &start)) {
        return fail(problem, PeError::badResources, "the resource directory is not in the file");
    }
    const size_t sectionEnd = static_cast<size_t>(section->rawOffset) + std::min(section->rawSize, section->span());
    TreeReader reader{image, ByteView(image.file).slice(start, sectionEnd - start), {}, 0, resources, problem};
    if (!reader.readTable(0, 0, Resource{})) {
        resources->clear();
        return false;
    }
    return true;
}

void sortResources(std::vector<Resource>* resources) {
    std::stable_sort(resources->begin(), resources->end(), [](const Resource& a, const Resource& b) {
        if (a.type != b.type) {
            return resourceKeyLess(a.type, b.type);
        }
        if (a.name != b.name) {
            return resourceKeyLess(a.name, b.name);
        }
        return a.language < b.language;
    });
}

std::vector<uint8_t> buildResourceSection(std::vector<Resource> resources, uint32_t sectionAddress) {
    sortResources(&resources);

    // The tree as groups of the sorted list: types, then names per type.
    struct Group {
        size_t first;
        size_t count;
    };
    std::vector<Group> types;
    std::vector<std::vector<Group>> names;
    for (size_t i = 0; i < resources.size(); ++i) {
        if (i == 0 || resources[i].type != resources[i - 1].type) {
            types.push_back({i, 0});
            names.emplace_back();
        }
        ++types.back().count;
        if (names.back().empty() || resources[i].name != resources[i - 1].name) {
            names.back().push_back({i, 0});
        }
        ++names.back().back().count;
    }

    // Offsets: every table, then every name text, then the data entries,
    // then the bytes.
    const auto tableBytes = [](size_t entries) { return tableSize + entrySize * entries; };
    size_t offset = tableBytes(types.size());
    std::vector<size_t> nameTableAt(types.size());
    for (size_t t = 0; t < types.size(); ++t) {
        nameTableAt[t] = offset;
        offset += tableBytes(names[t].size());
    }
    std::vector<std::vector<size_t>> languageTableAt(types.size());
    for (size_t t = 0; t < types.size(); ++t) {
        for (const Group& name : names[t]) {
            languageTableAt[t].push_back(offset);
            offset += tableBytes(name.count);
        }
    }
    // Texts: each type name once, each resource name once per type.
    std::vector<size_t> typeTextAt(types.size(), 0);
    std::vector<std::vector<size_t>> nameTextAt(types.size());
    const auto textBytes = [](const ResourceKey& key) { return 2 + 2 * key.text.size(); };
    for (size_t t = 0; t < types.size(); ++t) {
        const ResourceKey& type = resources[types[t].first].type;
        if (!type.isNumber) {
            typeTextAt[t] = offset;
            offset += textBytes(type);
        }
        for (const Group& name : names[t]) {
            const ResourceKey& key = resources[name.first].name;
            nameTextAt[t].push_back(key.isNumber ? 0 : offset);
            if (!key.isNumber) {
                offset += textBytes(key);
            }
        }
    }
    offset = alignUp(offset, dataAlignment);
    const size_t dataEntriesAt = offset;
    offset += dataEntrySize * resources.size();
    std::vector<size_t> bytesAt(resources.size());
    for (size_t i = 0; i < resources.size(); ++i) {
        offset = alignUp(offset, dataAlignment);
        bytesAt[i] = offset;
        offset += resources[i].bytes.size();
    }

    std::vector<uint8_t> out;
    out.reserve(offset);
    const auto appendEntry = [&](const ResourceKey& key, size_t textAt, uint32_t target) {
        appendU32(&out, key.isNumber ? key.number : static_cast<uint32_t>(highBit | textAt));
        appendU32(&out, target);
    };
    const auto countNamed = [&](const std::vector<Group>& groups, bool byType) {
        size_t named = 0;
        for (const Group& group : groups) {
            const Resource& first = resources[group.first];
            named += (byType ? first.type : first.name).isNumber ? 0 : 1;
        }
        return named;
    };
    appendTableHeader(&out, countNamed(types, true), types.size() - countNamed(types, true));
    for (size_t t = 0; t < types.size(); ++t) {
        appendEntry(resources[types[t].first].type, typeTextAt[t], static_cast<uint32_t>(highBit | nameTableAt[t]));
    }
    for (size_t t = 0; t < types.size(); ++t) {
        const size_t named = countNamed(names[t], false);
        appendTableHeader(&out, named, names[t].size() - named);
        for (size_t n = 0; n < names[t].size(); ++n) {
            appendEntry(resources[names[t][n].first].name, nameTextAt[t][n],
                        static_cast<uint32_t>(highBit | languageTableAt[t][n]));
        }
    }
    for (size_t t = 0; t < types.size(); ++t) {
        for (const Group& name : names[t]) {
            appendTableHeader(&out, 0, name.count);
            for (size_t i = name.first; i < name.first + name.count; ++i) {
                appendU32(&out, resources[i].language);
                appendU32(&out, static_cast<uint32_t>(dataEntriesAt + dataEntrySize * i));
            }
        }
    }
    const auto appendText = [&](const ResourceKey& key) {
        appendU16(&out, static_cast<uint16_t>(key.text.size()));
        for (const char16_t unit : key.text) {
            appendU16(&out, static_cast<uint16_t>(unit));
        }
    };
    for (size_t t = 0; t < types.size(); ++t) {
        const ResourceKey& type = resources[types[t].first].type;
        if (!type.isNumber) {
            appendText(type);
        }
        for (const Group& name : names[t]) {
            const ResourceKey& key = resources[name.first].name;
            if (!key.isNumber) {
                appendText(key);
            }
        }
    }
    appendPadding(&out, dataAlignment);
    for (size_t i = 0; i < resources.size(); ++i) {
        appendU32(&out, static_cast<uint32_t>(sectionAddress + bytesAt[i]));
        appendU32(&out, static_cast<uint32_t>(resources[i].bytes.size()));
        appendU32(&out, resources[i].codePage);
        appendU32(&out, 0);
    }
    for (size_t i = 0; i < resources.size(); ++i) {
        appendPadding(&out, dataAlignment);
        out.insert(out.end(), resources[i].bytes.begin(), resources[i].bytes.end());
    }
    return out;
}
