// The answer judge at its worst: two texts of 259 bytes, the longest a field
// holds. Each pair is timed three ways in the same run: judgeAnswer, our exact
// distance alone, and edlib's global (NW) edit distance as the yardstick. A
// table of the ratios follows Google Benchmark's own report.
#include <benchmark/benchmark.h>
#include <edlib.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "judge/judge_answer.h"

namespace {

struct Pair {
    const char* name;
    std::string expected;
    std::string typed;
};

std::string randomText(std::mt19937& random, const std::string& alphabet) {
    std::string text;
    for (size_t i = 0; i < judgedTextLimit; ++i) {
        text += alphabet[random() % alphabet.size()];
    }
    return text;
}

std::string withSubstitutions(std::string text, std::mt19937& random, int count) {
    for (int k = 0; k < count; ++k) {
        const size_t at = random() % text.size();
        text[at] = text[at] == '1' ? '2' : '1';
    }
    return text;
}

std::vector<Pair> makePairs() {
    std::mt19937 random(2024);
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string sentence = "LES SANGLOTS LONGS DES VIOLONS DE L'AUTOMNE BLESSENT MON COEUR";
    const std::string base = randomText(random, letters);
    std::string french;
    while (french.size() < judgedTextLimit) {
        french += sentence + " ";
    }
    french.resize(judgedTextLimit);

    std::vector<Pair> pairs;
    pairs.push_back({"random", base, randomText(random, letters)});
    pairs.push_back({"random_three_letters", randomText(random, "ABC"), randomText(random, "ABC")});
    pairs.push_back({"near_identical_2", base, withSubstitutions(base, random, 2)});
    pairs.push_back({"near_identical_40", base, withSubstitutions(base, random, 40)});
    pairs.push_back({"french_shifted", french, french.substr(7) + french.substr(0, 7)});
    pairs.push_back({"typed_piece", base, base.substr(0, 210)});
    pairs.push_back({"completely_different", base, randomText(random, "0123456789")});
    return pairs;
}

const std::vector<Pair>& pairs() {
    static const std::vector<Pair> all = makePairs();
    return all;
}

void judgeBench(benchmark::State& state, const Pair* pair) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(judgeAnswer(pair->expected.c_str(), pair->typed.c_str()));
    }
    state.SetLabel(judgeAnswer(pair->expected.c_str(), pair->typed.c_str()));
}

void distanceBench(benchmark::State& state, const Pair* pair) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(editDistance(pair->expected.data(), pair->expected.size(),
                                              pair->typed.data(), pair->typed.size()));
    }
    state.SetLabel("d=" + std::to_string(editDistance(pair->expected.data(), pair->expected.size(),
                                                      pair->typed.data(), pair->typed.size())));
}

int edlibDistance(const Pair& pair) {
    const EdlibAlignResult result =
        edlibAlign(pair.expected.data(), static_cast<int>(pair.expected.size()), pair.typed.data(),
                   static_cast<int>(pair.typed.size()), edlibDefaultAlignConfig());
    const int distance = result.editDistance;
    edlibFreeAlignResult(result);
    return distance;
}

void edlibBench(benchmark::State& state, const Pair* pair) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(edlibDistance(*pair));
    }
    state.SetLabel("d=" + std::to_string(edlibDistance(*pair)));
}

// Keeps the processor time per call of every run (the machine may be shared), to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                nanoseconds[run.run_name.function_name] =
                    run.cpu_accumulated_time * 1e9 / static_cast<double>(run.iterations);
            }
        }
    }

    void printRatios() const {
        std::printf("\n%-22s %14s %14s %14s %16s\n", "pair (259 bytes)", "judgeAnswer", "editDistance",
                    "edlib NW", "judge / edlib");
        for (const Pair& pair : pairs()) {
            const double judge = find(std::string("judgeAnswer/") + pair.name);
            const double distance = find(std::string("editDistance/") + pair.name);
            const double edlib = find(std::string("edlib/") + pair.name);
            if (judge == 0 && edlib == 0) {
                continue;  // filtered out
            }
            std::printf("%-22s %11.0f ns %11.0f ns %11.0f ns %16.3f\n", pair.name, judge, distance, edlib,
                        edlib > 0 ? judge / edlib : 0.0);
        }
    }

private:
    double find(const std::string& name) const {
        const auto it = nanoseconds.find(name);
        return it == nanoseconds.end() ? 0.0 : it->second;
    }
    std::map<std::string, double> nanoseconds;
};

}  // namespace

int main(int argc, char** argv) {
    for (const Pair& pair : pairs()) {
        if (editDistance(pair.expected.data(), pair.expected.size(), pair.typed.data(), pair.typed.size()) !=
            edlibDistance(pair)) {
            std::fprintf(stderr, "distances disagree on %s\n", pair.name);
            return 1;
        }
        benchmark::RegisterBenchmark((std::string("judgeAnswer/") + pair.name).c_str(), judgeBench, &pair);
        benchmark::RegisterBenchmark((std::string("editDistance/") + pair.name).c_str(), distanceBench, &pair);
        benchmark::RegisterBenchmark((std::string("edlib/") + pair.name).c_str(), edlibBench, &pair);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
