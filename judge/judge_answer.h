// Judging a typed answer against the expected one. Pure: no window code, no
// allocation per call.
#pragma once

#include <cstddef>

// Verdict words as the verdict statics show them (Windows-1252).
inline constexpr char verdictRight[] = "BRAVO";
inline constexpr char verdictWrong[] = "FAUX";
inline constexpr char verdictEmpty[] = "?";
inline constexpr char verdictAnagram[] = "Anagramme";
inline constexpr char verdictOneEdit[] = "Quasiment";
inline constexpr char verdictTwoEdits[] = "Presque";
inline constexpr char verdictTooShort[] = "Trop court";
inline constexpr char verdictTooLong[] = "Trop long";
inline constexpr char verdictClose[] = "Pas loin";
inline constexpr char verdictSimilar[] = "y a de l'id\xE9" "e";

// Longest text judged: a 260-byte field less its terminating zero.
constexpr size_t judgedTextLimit = 259;

// Returns one of the verdict words above. Texts longer than judgedTextLimit
// are judged on their first judgedTextLimit bytes. A null text counts as empty.
const char* judgeAnswer(const char* expected, const char* typed);

// True when the typed text, trimmed of spaces and upper-cased, is the expected
// one upper-cased: the same normalisation as judgeAnswer, with no verdict.
bool sameAnswer(const char* expected, const char* typed);

// Looks for the shorter text inside the longer one: 2 when `a` was found in
// `b` (b at least as long), -2 when `b` was found in `a`, 0 otherwise.
int findWithin(const char* a, size_t aLength, const char* b, size_t bLength);

// Levenshtein distance (insertions, deletions, substitutions of single bytes,
// each costing 1). Lengths above judgedTextLimit are cut to judgedTextLimit.
int editDistance(const char* a, size_t aLength, const char* b, size_t bLength);

// The same distance when it is at most `limit`, otherwise limit + 1: cheaper,
// since only the alignments that can stay within the limit are followed. A
// negative limit counts as 0.
int editDistanceWithin(const char* a, size_t aLength, const char* b, size_t bLength,
                       int limit);

// Words of an expected answer, counted by its separators in its first
// judgedTextLimit bytes.
int countWords(const char* answer);

// "en N mot" or "en N mots".
void wordCountPhrase(const char* answer, char (&phrase)[32]);
