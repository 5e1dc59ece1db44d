#include "quiz/page_bundle.h"

#include <cstring>

#include "quiz/content_parse.h"
#include "quiz/quiz_state.h"
#include "quiz/stored_format.h"

namespace {

uint32_t readU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool isQuestionMediaId(int id) {
    return (id > firstPictureId && id <= firstPictureId + maxQuestions) ||
           (id > firstSolvedPictureId && id <= firstSolvedPictureId + maxQuestions);
}

bool knownResource(uint8_t type, uint32_t id) {
    switch (type) {
    case bundlePatch:
        return id == quizResourceId || id == codesResourceId;
    case bundleImage:
    case bundleRawData:
        return id <= uint32_t(firstSolvedPictureId + maxQuestions) && isQuestionMediaId(int(id));
    default:
        return false;
    }
}

bool refuse(const char* why, const char** error) {
    if (error) *error = why;
    return false;
}

}  // namespace

bool readPageBundle(const uint8_t* data, size_t size, PageBundle* bundle, const char** error) {
    bundle->contentBlock = nullptr;
    bundle->resources.clear();
    if (size < pageBundleMagicSize + contentBlockSize || std::memcmp(data, pageBundleMagic, pageBundleMagicSize) != 0) {
        return refuse("not a quiz: the data does not start as one", error);
    }
    size_t at = pageBundleMagicSize;
    bundle->contentBlock = data + at;
    at += contentBlockSize;
    while (at < size) {
        if (size - at < pageBundleRecordHead) return refuse("the quiz data is cut short", error);
        const uint8_t type = data[at];
        const uint32_t id = readU32(data + at + 1);
        const uint32_t length = readU32(data + at + 5);
        at += pageBundleRecordHead;
        if (!knownResource(type, id)) return refuse("the quiz data holds a resource no quiz has", error);
        if (length > size - at) return refuse("the quiz data is cut short", error);
        if (findBundleResource(*bundle, BundleType(type), int(id))) {
            return refuse("the quiz data holds a resource twice", error);
        }
        bundle->resources.push_back({BundleType(type), int(id), data + at, length});
        at += length;
    }
    return true;
}

const BundleResource* findBundleResource(const PageBundle& bundle, BundleType type, int id) {
    for (const BundleResource& resource : bundle.resources) {
        if (resource.type == type && resource.id == id) return &resource;
    }
    return nullptr;
}
