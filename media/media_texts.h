// Fixed texts of media playback, in Windows-1252 ("\xE9" is é).
#pragma once

inline constexpr char messageSoundNotLoaded[] = "Impossible de charger le fichier audio.";
inline constexpr char messageVideoNotLoaded[] = "Impossible de charger le fichier vid\xE9o.";
// The text is the one users have always been shown, spelling included.
inline constexpr char messageNoMediaPlayer[] = "Erreur WindowsMediaPlater";
inline constexpr char captionNoMediaPlayer[] = "VYRLA";
