#include "screen/dialog_natives.h"

#include <optional>

#include "natives/natives_args.h"
#include "screen/dialogs.h"
#include "screen/ranking.h"

namespace ruvel {

TDialogs& Dialogs() {
  static TDialogs dialogs;
  return dialogs;
}

namespace dialog_natives {

namespace {

// Argument k as text, or none when it is null or was not passed.
std::optional<std::string> TextUnlessNull(const TNativeArgs& a, int32_t k) {
  if (!a.Has(k) || a[k].tag == kNull) return std::nullopt;
  return a.Text(k);
}

}  // namespace

void InputOpen(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  TDialogs& d = Dialogs();
  d.input.Open(TextUnlessNull(a, 1), TextUnlessNull(a, 2), TextUnlessNull(a, 3));
  if (d.showInput) d.showInput();
}

void InputGetStatus(Value* self, int32_t argc, int32_t) { TNativeArgs(self, argc).ReturnInt(Dialogs().input.Status()); }

void InputGetText(Value* self, int32_t argc, int32_t) { TNativeArgs(self, argc).ReturnString(Dialogs().input.Text()); }

void SelectOpen(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(6)) return;
  TDialogs& d = Dialogs();
  d.select.Open(a.Text(1), a.Text(2), {a.Text(3), a.Text(4), a.Text(5), a.Text(6)});
  if (d.showSelect) d.showSelect();
}

void SelectGetStatus(Value* self, int32_t argc, int32_t) {
  TNativeArgs(self, argc).ReturnInt(Dialogs().select.Status());
}

void RankingSetParam(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(3)) return;
  Ranking().SetParam(a.Text(2), a.Text(3));
}

void RankingClearParam(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  Ranking().ClearParams();
}

void RankingOpenBrowser(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  Ranking().OpenBrowser(a.Text(2));
}

}  // namespace dialog_natives

const std::vector<NativeEntry>& DialogNatives() {
  using namespace dialog_natives;
  static const std::vector<NativeEntry> table = {
      {"InputBox", "_n_open", InputOpen},
      {"InputBox", "_n_getStatus", InputGetStatus},
      {"InputBox", "_n_getText", InputGetText},
      {"SelectBox", "_n_open", SelectOpen},
      {"SelectBox", "_n_getStatus", SelectGetStatus},
      {"Ranking", "_n_setParam", RankingSetParam},
      {"Ranking", "_n_clearParam", RankingClearParam},
      {"Ranking", "_n_openBrowser", RankingOpenBrowser},
  };
  return table;
}

}  // namespace ruvel
