// ruvel --new-project DIR: a starter project a person can run at once and
// grow into a game: the project file, a title page and a play page, a
// basket moved by the arrow keys that catches apples, the tutorial's pattern
// sheet and sounds, and a README for the game. Texts are UTF-8.
#pragma once
#include <string>

namespace ruvel {

// Writes the starter into dir, which must be missing or an empty folder (not
// a link): a folder that holds anything is refused and left as it is. False
// with a reason in error.
bool WriteStarterProject(const std::string& dir, std::string& error);

}  // namespace ruvel
