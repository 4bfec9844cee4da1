// Diagnostic counters of the script compiler's front end: live tokens, live
// result lists and parse trees in flight. They are shown in the statistics
// line ("gar=", "resgar=") and let tests check that nothing leaks.
#pragma once
#include <cstdint>

namespace ruvel {

// Tokens (TLexElem) currently alive.
int64_t LiveTokenCount();
// Result lists (TResultList and every node class) currently alive,
// including the prototypes held by the syntax rule tree.
int64_t LiveResultListCount();
// Parse trees handed out by TYup::Parse and not yet freed.
int64_t ParsesInFlight();

namespace yup_stats {
// Bookkeeping calls of the classes that own the counted objects.
void TokenCreated();
void TokenDestroyed();
void ResultListCreated();
void ResultListDestroyed();
void ParseStarted();
void ParseFinished();
}  // namespace yup_stats

}  // namespace ruvel
