// Where the high-score table is kept: beside the game when it can be saved there, otherwise in
// the player's own copy under the user's data folder.
#pragma once

#include <string>

// The places, in the order they are tried:
//  1. tempo.max in the working directory (the game's folder) when it can be written there: the
//     folder takes a new file (the table is replaced whole), or the file itself is writable
//     (a shared table in a read-only folder, rewritten in place);
//  2. the player's own copy, $XDG_DATA_HOME/brunolt/tempo.max (~/.local/share/brunolt/tempo.max
//     when XDG_DATA_HOME is unset or not absolute), made from the installed table when first
//     needed.
// Finding the place never raises an error; a place that turns out not to work is reported by
// the file operation that uses it.

// The player's folder for the table, or empty when the user has no home folder to put it in.
std::string HighScores_PlayerFolder();

// The file the table is read from: the file it is saved to, or the installed table while the
// player's copy has not been made yet (it holds the same records).
std::string HighScores_PathToRead();

// The file the table is saved to. For the player's copy, its folders are made and the installed
// table is copied there first when missing, so that a save failing halfway still leaves a
// whole table behind. Without a home folder this is the installed table, whose open then fails
// with its own error number.
std::string HighScores_PathToWrite();
