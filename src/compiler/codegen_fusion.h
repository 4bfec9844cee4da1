// The fusion pass over finished code: an address instruction directly
// followed by Deref (or PushThis followed by SMemberValPtr) becomes one
// fused instruction. Only opcode words change and nothing moves, so jump
// offsets and recorded symbol addresses stay valid.
#pragma once

namespace ruvel {

class TCompiledInfo;

// Fuses from the start of the code up to the first Halt. An opcode the
// pass does not accept (an already fused LocalValPtr_Deref, ArgValPtr_Deref
// or Push_Deref, or a number above 48) raises "異常な命令が入っています:"
// followed by the number.
void FuseCode(TCompiledInfo& info);

}  // namespace ruvel
