// Fixed texts of the quiz content core, in Windows-1252 ("\xE9" is é).
#pragma once

// The key that scrambles the stored contents; the same text is the message
// shown when the quiz resource is missing.
inline constexpr char contentKey[] = "Questions non livr\xE9" "es";
inline constexpr int contentKeyLength = sizeof(contentKey) - 1;  // 21

inline constexpr char captionVyrla[] = "Vyrla";
inline constexpr char messageContentBlockFailed[] = "Erreur dans le d\xE9" "cryptage";
inline constexpr char messageQuizFailed[] = "Erreur dans le d\xE9" "cryptage des reponses";
inline constexpr char messageCodesFailed[] = "Erreur dans le d\xE9" "cryptage des codes";
inline constexpr char messageOutOfMemory[] = "Impossible d'allouer la memoire";
inline constexpr char captionOutOfMemory[] = "information";
