// TProcess: one cooperative thread of script execution with its own
// 128-slot value stack, and the host operations on it (create, yield,
// halt, kill, mark, free).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "vm/value.h"

namespace ruvel {

class TFunction;
class TRTTI;

constexpr int kStackSlots = 128;
constexpr int kFrameSlots = 5;  // local 0 plus four slots of frame data

// The frame data stored in the four slots above a frame's local 0.
struct FrameData {
  TFunction* func;       // none for an outermost frame running class code
  uint32_t* returnAddr;  // instruction after the call; none in the outermost frame
  Value* receiver;       // the receiver slot (also the result slot)
  Value* savedFp;        // caller's frame pointer; none in the outermost frame
  int32_t argc;
  int32_t pos[3];        // position registers at the time of the call
};
static_assert(sizeof(FrameData) <= sizeof(Value) * (kFrameSlots - 1), "frame data fits in four slots");

inline FrameData* FrameOf(Value* fp) { return reinterpret_cast<FrameData*>(fp + 1); }

class TProcess : public TObject {
 public:
  // A process on receiver running the named method: "" for the class's own
  // code, "constructor", "destructor" or a method name. Raises
  // "メソッド" + name + "は未定義です" for an unknown method.
  static TProcess* Create(Instance* receiver, const std::vector<Value>* args, const std::string& method);
  // A process running function f (nullptr: the class's own code).
  static TProcess* CreateFor(Instance* receiver, const std::vector<Value>* args, TFunction* f);
  // Kills and frees the process.
  static void Free(TProcess* p);

  const char* TypeName() const override { return "TProcess"; }

  void Yield();
  void Halt();
  // Halts and releases every value on the stack once.
  void Kill();
  // Marks every value on the stack for the collector.
  void MarkStack();
  // Calls visit on every live slot: temporaries, locals, receivers,
  // arguments and the result slot.
  template <typename F>
  void WalkStack(F&& visit);

  int32_t remaining = 0;
  int32_t sliceLength = 0;
  bool yieldFlag = false;
  bool halted = false;
  bool released = false;
  uint8_t state = 0;  // 0 normal, 2 ended by a run-time error
  Value* fp = nullptr;
  Value* sp = nullptr;
  Value* receiver = nullptr;
  uint32_t* ip = nullptr;
  Value* stack = nullptr;  // kStackSlots slots; slot 0 is the lowest address
  Value* result = nullptr;
  int32_t pos[3] = {0, 0, 0};
  int32_t runDepth = 0;      // > 0 while a Run of this process is in progress
  bool freePending = false;  // freed while running: released when the run ends
  int32_t serial = 0;        // 1, 2, ... in order of creation, never reused
  // The code generation (VMState::codeGeneration) this process's frames
  // were last checked against by a live reload.
  uint32_t codeGeneration = 0;
  int32_t listIndex = -1;  // place in LiveProcesses()

 private:
  TProcess() = default;
  ~TProcess() override;
};

// Every process created and not yet freed, in no particular order (serial
// gives the order of creation).
const std::vector<TProcess*>& LiveProcesses();

template <typename F>
void TProcess::WalkStack(F&& visit) {
  Value* p = sp;
  Value* f = fp;
  int guard = 0;
  while (f && guard++ < kStackSlots) {
    for (Value* s = p; s <= f; ++s) visit(*s);
    FrameData* fd = FrameOf(f);
    Value* recv = fd->receiver;
    for (int32_t k = 0; k <= fd->argc; ++k) visit(*(recv - k));
    p = recv + 1;
    f = fd->savedFp;
  }
  if (result) visit(*result);
}

}  // namespace ruvel
