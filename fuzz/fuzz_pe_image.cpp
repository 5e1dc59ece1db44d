// The executable reader of `build` and `dump`, and the writer behind it.
//
// Any input: the PE reader, the resource tree reader, the player checks and
// the dump through the player's loader must each either succeed or fail
// cleanly. When the input reads as an image, the writer rebuilds it with one
// more resource and a patch, and the result must read back with exactly the
// resources it was given, a right checksum, and rebuild to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "pack/exe/pe_image.h"
#include "pack/exe/pe_resources.h"
#include "pack/exe/pe_writer.h"
#include "pack/exe/quiz_dump.h"
#include "pack/exe/quiz_image.h"
#include "quiz/messages.h"
#include "fuzz/require.h"

namespace {

// Real players are far larger, but nothing in the format needs more to be
// reached, and small inputs keep the fuzzer fast.
constexpr size_t maxInput = 1 << 20;

void silentSink(const char*, const char*, unsigned) {}

bool sameResources(const std::vector<Resource>& a, const std::vector<Resource>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].type != b[i].type || a[i].name != b[i].name || a[i].language != b[i].language ||
            a[i].codePage != b[i].codePage || a[i].bytes != b[i].bytes) {
            return false;
        }
    }
    return true;
}

void rewriteAndCheck(const PeImage& image, const std::vector<Resource>& resources) {
    PeRewrite rewrite;
    rewrite.resources = resources;
    Resource added;
    added.type = ResourceKey::named("PATCH");
    added.name = ResourceKey::id(999);
    added.bytes = {1, 2, 3};
    rewrite.resources.push_back(added);
    if (sectionNamed(image, ".vyrla")) {
        rewrite.patches.push_back({".vyrla", 0, std::vector<uint8_t>(4, 0xAB)});
    }
    // Duplicate keys in the input make an ambiguous tree; the packer never
    // asks for one, so neither does this check.
    sortResources(&rewrite.resources);
    for (size_t i = 1; i < rewrite.resources.size(); ++i) {
        const Resource& a = rewrite.resources[i - 1];
        const Resource& b = rewrite.resources[i];
        if (a.type == b.type && a.name == b.name && a.language == b.language) {
            return;
        }
    }

    std::vector<uint8_t> output;
    PeProblem problem;
    if (!rewritePeImage(image, rewrite, &output, nullptr, &problem)) {
        require(problem.error != PeError::none);
        return;
    }
    PeImage written;
    require(readPeImage(output, &written, &problem));
    require(written.checksum == peChecksum(written.file, written.checksumOffset()));
    std::vector<Resource> read;
    require(readResources(written, &read, &problem));
    require(sameResources(read, rewrite.resources));

    // The resources now come last, so a second build rewrites them in place
    // and changes nothing.
    std::vector<uint8_t> again;
    require(rewritePeImage(written, rewrite, &again, nullptr, &problem));
    require(again == output);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > maxInput) {
        return 0;
    }
    setMessageSink(silentSink);
    const std::vector<uint8_t> file(data, data + size);

    PeImage image;
    PeProblem problem;
    if (!readPeImage(file, &image, &problem)) {
        require(problem.error != PeError::none && !problem.message().empty());
        return 0;
    }
    std::vector<Resource> resources;
    if (!readResources(image, &resources, &problem)) {
        require(problem.error != PeError::none);
        return 0;
    }
    rewriteAndCheck(image, resources);

    Player player;
    std::string error;
    if (readPlayer(file, &player, &error)) {
        QuizDump dump;
        dumpQuiz(storedQuizOf(player), "fuzz.exe", &dump, &error);
    } else {
        require(!error.empty());
    }
    return 0;
}
