// The program's command line: ruvel [FILE | FULLSCREEN] [options].
#pragma once
#include <string>

namespace ruvel {

struct CommandLine {
  std::string file;         // page, project or resource list to open
  bool fullscreen = false;  // the word FULLSCREEN instead of a file
  std::string home;         // --home DIR
  bool headless = false;
  long frames = -1;         // --frames N, -1 = run until closed
  bool fixedClock = false;
  std::string screenshot;
  std::string recordAudio;
  bool log = false;
  std::string script;       // --script FILE
  bool design = false;      // --design: open the page in design mode
  bool dev = false;         // --dev: show the development menus
  bool help = false;
  bool version = false;
};

// Fills cl from argv; on a bad option returns false with a message in error.
bool ParseCommandLine(int argc, char** argv, CommandLine& cl, std::string& error);
// The text printed by --help (UTF-8).
std::string HelpText();

}  // namespace ruvel
