// The media players of sound and video quizzes: one Windows Media Player
// control per question row, hosted in the row's media area, and the play and
// stop buttons that drive them.
#pragma once

#include <windows.h>

struct IWMPPlayer;

// Creates the player of question n (1..96) and hosts it in `area`. Returns 1
// when the row has its player. Without one (no "atl.dll" attach function, or
// the player cannot be created) the failure is reported once per panel and
// the row's buttons stay inert; the caller goes on building its rows.
int createPlayer(int n, HWND area);

// Play button of question n: stops every player, deletes the last media
// file, writes the row's clip afresh and plays it from its beginning.
void playMedia(int n);

// Any stop button: stops the item started last and deletes its file. Does
// nothing before the first start.
void stopMedia();

// Releases the last media file from the player that holds it, then deletes it.
void deleteLastMediaFile();

// The panel is closing: every player stops and the last file goes.
void closeMediaPlayers();

// The panel is being destroyed: as closing, then every player and its host
// are released, while COM is still running.
void releaseMediaPlayers();

// What the rows hold, for the tests.
IWMPPlayer* mediaPlayer(int n);
int currentMedia();  // 0 before the first start
