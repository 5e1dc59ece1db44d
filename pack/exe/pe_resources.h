// The resource tree of an executable: read into a flat list of resources
// (type, name, language, bytes) and written back as a new resource section.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pack/exe/pe_image.h"

// A resource type or name: a number, or a text (UTF-16, as stored).
struct ResourceKey {
    bool isNumber = true;
    uint32_t number = 0;
    std::u16string text;

    static ResourceKey id(uint32_t value);
    static ResourceKey named(const std::string& ascii);

    bool operator==(const ResourceKey& other) const {
        return isNumber == other.isNumber && (isNumber ? number == other.number : text == other.text);
    }
    bool operator!=(const ResourceKey& other) const { return !(*this == other); }
    // For messages: "PATCH" or 104.
    std::string display() const;
};

// The same key for the lookup, which ignores ASCII case in texts.
bool sameResourceKey(const ResourceKey& a, const ResourceKey& b);

// Directory order: every text before every number; texts compared without
// regard to ASCII case (the lookup's order), then as stored; numbers by value.
bool resourceKeyLess(const ResourceKey& a, const ResourceKey& b);

// Standard resource types the packer meets by number.
constexpr uint32_t resourceCursor = 1;
constexpr uint32_t resourceIcon = 3;
constexpr uint32_t resourceDialog = 5;
constexpr uint32_t resourceRawData = 10;  // RCDATA
constexpr uint32_t resourceVersion = 16;

struct Resource {
    ResourceKey type;
    ResourceKey name;
    uint32_t language = 0;
    uint32_t codePage = 0;
    std::vector<uint8_t> bytes;
};

// Reads the tree that the resource data directory points to; an image
// without one has no resources. The tree must have the three levels (type,
// name, language), no table may be reached twice, and every resource's bytes
// must lie in the file.
bool readResources(const PeImage& image, std::vector<Resource>* resources, PeProblem* problem);

// Sorts resources into directory order (type, name, language); equal keys
// keep their order.
void sortResources(std::vector<Resource>* resources);

// A resource section holding `resources` (each type, name and language at
// most once), for the address `sectionAddress`: the directory tables, then
// the name texts, then the data entries, then the bytes, each resource's
// bytes on an 8-byte boundary. Time stamps and versions are 0, so the same
// resources always give the same bytes.
std::vector<uint8_t> buildResourceSection(std::vector<Resource> resources, uint32_t sectionAddress);
