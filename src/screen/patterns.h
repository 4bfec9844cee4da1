// Character patterns as the rest of the system sees them: the process-wide
// sheet cache and pattern list, registration of pattern resources (TCPat),
// the start-up and page-load steps that rebuild the list, pattern lookup
// and sizes, and the pattern source that sprites draw from.
//
// Owner of the state: one TPatternState (patterns.cpp) that lives for the
// whole program and is never destroyed, so nothing touches SDL at exit.
//
// Wiring: InstallPatterns() must run before the kernel resources are
// prepared (it installs the hooks of TCPat, resources/resource_pattern.h, and
// the pattern source); the start-up sequence runs PrepareStartupPatterns()
// (through PatternHooks().startupStep) right after binding the natives;
// page loading calls LoadPagePatterns(); the screen calls
// ReleasePatternTextures() before its renderer goes away.
#pragma once
#include <cstdint>
#include <string>

#include "resources/resource.h"
#include "screen/pattern_list.h"
#include "screen/pattern_sheet.h"
#include "screen/pattern_source.h"

namespace ruvel {

class TCPat;

// Finds patterns for sprites in the process-wide pattern list.
class TSheetPatternSource : public TPatternSource {
 public:
  bool Find(int32_t n, TPatternView& view) override;
};

// Installs the TCPat hooks and, when no other is installed, the pattern
// source. Safe to call more than once.
void InstallPatterns();

TPatternList& PatternList();
TPatCache& PatternCache();

// Sum of the pattern counts of all listed sheets.
int32_t PatternCount();
// The number of patterns the kernel's resources registered.
int32_t KernelPatternCount();
void RecordKernelPatternCount();

// Sheet and element index of pattern n; false when not found.
bool LookupPattern(int32_t n, TPatRects*& sheet, int32_t& elemIndex);
// Width and height of pattern n; (0, 0) and false when not found.
bool PatternSize(int32_t n, int32_t& width, int32_t& height);
void TruncatePatterns(int32_t n);

// "Kernel/images/404.bmp" under the program directory, drawn in place of a
// sheet that is missing or unreadable.
std::string MissingSheetPath();

// Registration of a pattern resource (its preparation step): the resource's
// global gets the number the sheet's first pattern will have; the sheet is
// cut (or taken from the cache) and appended. A missing or unreadable file
// is reported and replaced by the 404 sheet. A resource whose sheet is
// still listed from an earlier pass is not appended again.
void RegisterPattern(TCPat& pat, TInitContext& ctx);

// True when the file is the sheet of a pattern resource in the list now
// (a changed file of that name is re-cut by ReloadPagePatterns).
bool SheetIsListed(const std::string& path);
// Registers the page's pattern resources again without loading the page:
// the page's sheets are dropped from the list and appended anew, each cut
// again when its file changed (the cache checks the stamp), then all
// patterns are rebuilt. Also works when the kernel lists no sheets, where
// RebuildAllPatterns alone does nothing.
void ReloadPagePatterns();

// When both "patterns" and "usr.patterns" exist: empties the list and
// prepares "patterns", then "usr.patterns".
void RebuildAllPatterns();
// Start-up step: records the kernel pattern count, then rebuilds.
void PrepareStartupPatterns();
// Page load: drops the previous page's sheets (truncation at the kernel
// count), prepares "usr.patterns" when it exists, then rebuilds. A failing
// preparation raises as Initialize does.
void LoadPagePatterns();

// Destroys the sheet textures of the renderer in use (before it goes).
void ReleasePatternTextures();
// Empties the list and the cache and forgets the kernel count (tests).
void ResetPatterns();

}  // namespace ruvel
