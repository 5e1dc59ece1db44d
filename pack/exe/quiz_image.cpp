#include "pack/exe/quiz_image.h"

#include <algorithm>
#include <utility>

#include "pack/exe/pe_writer.h"
#include "quiz/content_block.h"
#include "quiz/stored_format.h"

namespace {

constexpr int maxQuestionNumber = maxQuestions;
constexpr uint32_t questionPanelDialog = 1001;
constexpr uint32_t headerPanelDialog = 1002;
constexpr uint32_t languageNeutral = 0;

const ResourceKey& patchType() {
    static const ResourceKey key = ResourceKey::named(quizResourceType);
    return key;
}

const ResourceKey& imageType() {
    static const ResourceKey key = ResourceKey::named(mediaResourceType);
    return key;
}

bool isPictureNumber(uint32_t id) {
    const auto inRange = [id](int first) {
        return id > static_cast<uint32_t>(first) && id <= static_cast<uint32_t>(first + maxQuestionNumber);
    };
    return inRange(firstPictureId) || inRange(firstSolvedPictureId);
}

bool hasResource(const std::vector<Resource>& resources, uint32_t type, uint32_t name) {
    return std::any_of(resources.begin(), resources.end(), [&](const Resource& resource) {
        return resource.type == ResourceKey::id(type) && resource.name == ResourceKey::id(name);
    });
}

const Resource* findResource(const std::vector<Resource>& resources, const ResourceKey& type, uint32_t name) {
    for (const Resource& resource : resources) {
        if (sameResourceKey(resource.type, type) && resource.name == ResourceKey::id(name)) {
            return &resource;
        }
    }
    return nullptr;
}

Resource makeResource(const ResourceKey& type, uint32_t id, uint32_t language, std::vector<uint8_t> bytes) {
    Resource resource;
    resource.type = type;
    resource.name = ResourceKey::id(id);
    resource.language = language;
    resource.bytes = std::move(bytes);
    return resource;
}

}  // namespace

bool readPlayer(std::vector<uint8_t> file, Player* player, std::string* error) {
    PeProblem problem;
    if (!readPeImage(std::move(file), &player->image, &problem) ||
        !readResources(player->image, &player->resources, &problem)) {
        *error = problem.message();
        return false;
    }
    const PeSection* content = sectionNamed(player->image, VYRLA_CONTENT_SECTION);
    if (!content) {
        *error = "not a Vyrla player: it has no " VYRLA_CONTENT_SECTION " section for the quiz's link and footer";
        return false;
    }
    if (std::min(content->rawSize, content->span()) < storedContentBlockSize) {
        *error = "not a Vyrla player: its " VYRLA_CONTENT_SECTION " section is too small for the quiz's link and footer";
        return false;
    }
    if (!hasResource(player->resources, resourceDialog, questionPanelDialog) ||
        !hasResource(player->resources, resourceDialog, headerPanelDialog)) {
        *error = "not a Vyrla player: it lacks the player's dialogs 1001 and 1002";
        return false;
    }
    return true;
}

bool isQuizResource(const Resource& resource) {
    if (sameResourceKey(resource.type, patchType()) || sameResourceKey(resource.type, imageType())) {
        return true;
    }
    return resource.type == ResourceKey::id(resourceRawData) && resource.name.isNumber &&
           isPictureNumber(resource.name.number);
}

uint32_t quizLanguage(const std::vector<Resource>& resources) {
    if (const Resource* quiz = findResource(resources, patchType(), quizResourceId)) {
        return quiz->language;
    }
    if (const Resource* dialog = findResource(resources, ResourceKey::id(resourceDialog), questionPanelDialog)) {
        return dialog->language;
    }
    return languageNeutral;
}

std::vector<Resource> quizResources(const QuizContent& quiz, const EncodedQuiz& encoded, uint32_t language) {
    std::vector<Resource> resources;
    resources.push_back(makeResource(patchType(), quizResourceId, language, encoded.quizResource));
    resources.push_back(makeResource(patchType(), codesResourceId, language, encoded.codesResource));
    for (const MediaResource& media : quiz.media) {
        const ResourceKey type =
            media.storage == MediaStorage::pngRawData ? ResourceKey::id(resourceRawData) : imageType();
        resources.push_back(makeResource(type, static_cast<uint32_t>(media.id), language, storedMediaBytes(media)));
    }
    return resources;
}

bool buildQuizExecutable(const Player& player, const QuizContent& quiz, const EncodedQuiz& encoded,
                         std::vector<uint8_t>* output, std::vector<std::string>* notes, std::string* error) {
    PeRewrite rewrite;
    for (const Resource& resource : player.resources) {
        if (!isQuizResource(resource)) {
            rewrite.resources.push_back(resource);
        }
    }
    const std::vector<Resource> added = quizResources(quiz, encoded, quizLanguage(player.resources));
    rewrite.resources.insert(rewrite.resources.end(), added.begin(), added.end());
    rewrite.patches.push_back(
        {VYRLA_CONTENT_SECTION, 0, std::vector<uint8_t>(encoded.contentBlock.begin(), encoded.contentBlock.end())});
    PeProblem problem;
    if (!rewritePeImage(player.image, rewrite, output, notes, &problem)) {
        *error = problem.message();
        return false;
    }
    return true;
}

StoredQuiz storedQuizOf(const Player& player) {
    StoredQuiz stored;
    // The ContentBlock is the only thing the build puts in its section, so it
    // starts the section.
    const PeSection* content = sectionNamed(player.image, VYRLA_CONTENT_SECTION);
    if (content && std::min(content->rawSize, content->span()) >= storedContentBlockSize) {
        std::copy_n(player.image.file.begin() + content->rawOffset, storedContentBlockSize, stored.contentBlock.begin());
    }
    if (const Resource* quiz = findResource(player.resources, patchType(), quizResourceId)) {
        stored.quizResource = quiz->bytes;
    }
    if (const Resource* codes = findResource(player.resources, patchType(), codesResourceId)) {
        stored.codesResource = codes->bytes;
    }
    for (const bool rawData : {false, true}) {
        const ResourceKey type = rawData ? ResourceKey::id(resourceRawData) : imageType();
        for (const Resource& resource : player.resources) {
            if (!sameResourceKey(resource.type, type) || !resource.name.isNumber || !isPictureNumber(resource.name.number)) {
                continue;
            }
            // One language per picture: the lookup takes the first it finds.
            const int id = static_cast<int>(resource.name.number);
            const bool seen = std::any_of(stored.media.begin(), stored.media.end(), [&](const StoredMedia& media) {
                return media.id == id && media.rawData == rawData;
            });
            if (!seen) {
                stored.media.push_back({id, rawData, resource.bytes});
            }
        }
    }
    return stored;
}
