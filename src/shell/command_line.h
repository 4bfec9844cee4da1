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
  std::string input;        // --input FILE: replayed key and mouse events
  std::string recordInput;  // --record-input FILE
  std::string recordGif;    // --record-gif FILE: the whole run as a GIF
  bool log = false;
  std::string script;       // --script FILE
  bool design = false;      // --design: open the page in design mode
  std::string project;      // --project DIR: the project folder to run
  std::string newProject;   // --new-project DIR: write a starter project
  std::string exportFrom;   // --export DIR OUT: the project to ship ...
  std::string exportTo;     // ... and the folder to make
  bool noSources = false;   // --no-sources: exports leave class sources out
  std::string exportWeb;    // --export-web OUT [PROJECT]: the game as a web page ...
  std::string exportWebFrom;  // ... of this project (empty: the program's own)
  std::string editSheet;    // --edit-sheet FILE: only the pattern editor
  bool editTones = false;     // --edit-tones [FILE]: only the tone editor ...
  std::string editTonesFile;  // ... on FILE (empty: the project's tones.wdt)
  std::string compileMml;   // --compile-mml FILE.mml
  std::string renderSfx;    // --render-sfx FILE.sfx (-o OUT.wav)
  std::string editSfx;      // --edit-sfx FILE: a window with just the effect maker
  std::string output;       // -o FILE (the compiled music file, the imported map)
  std::string importMap;    // --import-map IN.tmj|IN.tmx: a Tiled map into a map file (-o)
  bool dev = false;         // --dev: show the development menus
  bool lsp = false;         // --lsp: the language server on stdio
  bool dap = false;         // --dap: serve the debug adapter protocol on stdio
  std::string editMap;      // --edit-map FILE: a window with just the map editor
  std::string editMml;      // --edit-mml FILE: a window with just the music editor
  int scale = -1;           // --scale N: the window's scale for this run (-1: as the cookie says)
  bool help = false;
  bool version = false;
};

// Fills cl from argv; on a bad option returns false with a message in error
// (in the user's language). Files given for output and input (screenshot,
// recordings, input script, script) are made absolute against the current
// directory, so they mean what they meant where the command was typed.
bool ParseCommandLine(int argc, char** argv, CommandLine& cl, std::string& error);
// The text printed by --help (UTF-8, in the user's language).
std::string HelpText();
// The command line's file, absolute against the current directory when it
// exists there, else as given; empty for none.
std::string CommandLineFilePath(const CommandLine& cl);

}  // namespace ruvel
