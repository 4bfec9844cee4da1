// ".sfx" effects as WAV files: `--render-sfx`, and the rendered copy in
// "Temp" that lets a ".sfx" play wherever a WAV effect does. The copy is
// made again whenever the source is newer.
#pragma once
#include <string>
#include <vector>

namespace ruvel {

// Renders the effect file in to the WAV file out (16-bit mono 44100 Hz).
// False with error (UTF-8) when in cannot be read or out written; problems
// in the text (clamped values, unknown keys) are added to problems and the
// file is still rendered.
// Messages name the files as given, or by shownIn and shownOut (UTF-8).
bool RenderSfxFile(const std::string& in, const std::string& out, std::vector<std::string>& problems, std::string& error,
                   const std::string& shownIn = std::string(), const std::string& shownOut = std::string());

// True when the path names a ".sfx" file (any letter case).
bool IsSfxPath(const std::string& path);

// The WAV file that plays path (CP932, as scripts give it): path itself
// unless it is a ".sfx"; then
// its rendered copy in Temp under the program directory. Empty with error
// set when it cannot be rendered. problems is filled only when the copy is
// made, so a file is told about once.
std::string EffectFileFor(const std::string& path, std::vector<std::string>& problems, std::string& error);

// ruvel --render-sfx IN -o OUT: 0 when written (problems in the text go to
// stderr), 1 otherwise.
int RunRenderSfx(const std::string& in, const std::string& out);

}  // namespace ruvel
