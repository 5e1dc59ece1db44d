// A quiz inside a player executable: which of its resources belong to the
// quiz, reading them (with the ContentBlock) out of a player, and writing a
// player that carries another quiz.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pack/exe/pe_image.h"
#include "pack/exe/pe_resources.h"
#include "pack/stored/quiz_encode.h"

// A picture or clip resource as it is stored.
struct StoredMedia {
    int id;        // 400 + n or 10400 + n
    bool rawData;  // RCDATA (a PNG picture); otherwise "IMG"
    std::vector<uint8_t> bytes;
};

// The stored contents of a quiz executable, not yet interpreted.
struct StoredQuiz {
    std::array<uint8_t, storedContentBlockSize> contentBlock{};
    std::vector<uint8_t> quizResource;   // "PATCH" 104; empty when missing
    std::vector<uint8_t> codesResource;  // "PATCH" 105; empty when missing
    std::vector<StoredMedia> media;      // by id, "IMG" before RCDATA
};

// A player executable, checked: a 64-bit program with the player's own
// resources and the section that holds the ContentBlock.
struct Player {
    PeImage image;
    std::vector<Resource> resources;
};

// Reads and checks a player. The error names what is wrong, without the
// file's name.
bool readPlayer(std::vector<uint8_t> file, Player* player, std::string* error);

// The resources a quiz brings: every "PATCH" and "IMG", and the raw data of
// the picture numbers. Building replaces exactly these.
bool isQuizResource(const Resource& resource);

// The language of a quiz's resources: that of the quiz they replace, or
// else that of the player's own dialogs (which the build gave every resource
// alike), or else neutral.
uint32_t quizLanguage(const std::vector<Resource>& resources);

// The quiz's resources as the player looks them up.
std::vector<Resource> quizResources(const QuizContent& quiz, const EncodedQuiz& encoded, uint32_t language);

// The player's bytes with its quiz replaced by this one: every quiz resource
// of the player is removed, this quiz's are added, every other resource is
// kept, and the ContentBlock is written into its section.
bool buildQuizExecutable(const Player& player, const QuizContent& quiz, const EncodedQuiz& encoded,
                         std::vector<uint8_t>* output, std::vector<std::string>* notes, std::string* error);

// The stored quiz of a player. Fails only when the player itself cannot be
// read; a missing quiz gives empty resources.
StoredQuiz storedQuizOf(const Player& player);
