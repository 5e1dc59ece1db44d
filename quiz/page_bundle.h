// A quiz as a web page carries it: the 70-byte ContentBlock and the quiz's
// resources, each exactly as a quiz executable stores it (scrambled, coded,
// pictures with their halves exchanged), in one run of bytes. The page reads
// it with the player's own loader; the packer writes it and reads it back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// "VYRLAPG1", then the ContentBlock, then records until the end:
// type (1 byte) | id (4 bytes, little-endian) | size (4 bytes) | bytes.
constexpr char pageBundleMagic[] = "VYRLAPG1";
constexpr size_t pageBundleMagicSize = 8;
constexpr size_t pageBundleRecordHead = 9;

// Record types: the quiz's "PATCH" resources (ids 104, 105), its "IMG"
// pictures and clips, and PNG pictures kept as raw data.
enum BundleType : uint8_t { bundlePatch = 'P', bundleImage = 'I', bundleRawData = 'R' };

struct BundleResource {
    BundleType type;
    int id;
    const uint8_t* bytes;  // inside the bundle's bytes
    size_t size;
};

struct PageBundle {
    const uint8_t* contentBlock = nullptr;  // 70 bytes
    std::vector<BundleResource> resources;
};

// Reads the records without copying them. Refuses, with a short reason in
// English, a bundle that is cut short, names an unknown type or an id no quiz
// uses, or holds the same resource twice.
bool readPageBundle(const uint8_t* data, size_t size, PageBundle* bundle, const char** error);

// The resource of that type and id, or null.
const BundleResource* findBundleResource(const PageBundle& bundle, BundleType type, int id);
