#include "tests/support/judge_oracle.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "judge/judge_answer.h"

int plainDistance(std::string_view a, std::string_view b) {
    std::vector<int> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (size_t j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

namespace {

// The first 259 bytes, upper-cased (a to z and the row from 0xE0), the typed text trimmed of spaces.
std::string normalised(const char* text, bool trim) {
    std::string s(text, strnlen(text, judgedTextLimit));
    if (trim) {
        s.erase(s.find_last_not_of(' ') + 1);
        s.erase(0, std::min(s.find_first_not_of(' '), s.size()));
    }
    for (char& c : s) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || u >= 0xE0) c = static_cast<char>(u - 0x20);
    }
    return s;
}

}  // namespace

const char* plainJudge(const char* expected, const char* typed) {
    const std::string e = normalised(expected, false), t = normalised(typed, true);
    if (e.size() <= 3) return t.empty() ? verdictEmpty : t == e ? verdictRight : verdictWrong;
    if (t.empty()) return verdictEmpty;
    const int d = plainDistance(e, t);
    if (d == 0) return verdictRight;
    std::string sortedE = e, sortedT = t;
    std::sort(sortedE.begin(), sortedE.end());
    std::sort(sortedT.begin(), sortedT.end());
    if (sortedE == sortedT) return verdictAnagram;
    if (d <= 2) return d == 1 ? verdictOneEdit : verdictTwoEdits;
    const double el = static_cast<double>(e.size()), tl = static_cast<double>(t.size()), longer = std::max(el, tl);
    const int r = findWithin(e.data(), e.size(), t.data(), t.size());
    if (r == -2) {
        const double p = 100.0 * tl / el;
        return e.size() <= 9 ? verdictWrong : p > 80 ? verdictTooShort : p > 75 ? verdictClose : verdictWrong;
    }
    if (r == 2) {
        const size_t x = t.size() - e.size();
        return x <= 10 ? verdictTooLong : x <= 20 ? verdictClose : verdictWrong;
    }
    return (longer - d) * 100.0 / longer > 80 ? verdictSimilar : verdictWrong;
}
