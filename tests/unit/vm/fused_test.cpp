// The translated form with fused instruction groups: it runs exactly the
// specified instructions (same stops for every budget, same single steps),
// leaves the same values and reference counts, falls back for operands its
// fast paths do not take, and raises errors where the single instructions
// do.
#include "vm/fused_ops.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "vm_fixture.h"

namespace ruvel::test {

namespace {

// Where a process stands after a run.
struct Snapshot {
  bool halted;
  int32_t address;
  long depth;  // stack slots in use
  int32_t slice;
  std::string locals;
  bool operator==(const Snapshot& o) const {
    return halted == o.halted && address == o.address && depth == o.depth && slice == o.slice && locals == o.locals;
  }
};

std::ostream& operator<<(std::ostream& os, const Snapshot& s) {
  return os << (s.halted ? "halted" : "running") << " @" << s.address << " depth " << s.depth << " slice " << s.slice
            << " [" << s.locals << "]";
}

// f(a, b) with locals i, s, t, u:
//   i = 0; s = b; t = "ab"; u = t;
//   while (i < a) { s = s + i % 7; s = b - i; if (s >= 3) u = u + t; i += 1; }
//   return s * 2 + (u == t);
void EmitLoop(CodeBuilder& c) {
  c.Op(Op_LocalValPtr, {0}).PushInt(0).Op(Op_Subst).Op(Op_Pop);
  c.Op(Op_LocalValPtr, {1}).Op(Op_ArgValPtr_Deref, {1, 0}).Op(Op_Subst).Op(Op_Pop);
  c.Op(Op_LocalValPtr, {2}).PushString("ab").Op(Op_Subst).Op(Op_Pop);
  c.Op(Op_LocalValPtr, {3}).Op(Op_LocalValPtr_Deref, {2, 0}).Op(Op_Subst).Op(Op_Pop);
  c.Bind(0);
  c.Op(Op_LocalValPtr_Deref, {0, 0}).Op(Op_ArgValPtr_Deref, {0, 0}).Op(Op_LT).Jump(Op_JumpZero, 1);
  c.Op(Op_LocalValPtr, {1}).Op(Op_LocalValPtr_Deref, {1, 0}).Op(Op_LocalValPtr_Deref, {0, 0}).PushInt(7);
  c.Op(Op_Mod).Op(Op_Add).Op(Op_Subst).Op(Op_Pop);
  c.Op(Op_LocalValPtr, {1}).Op(Op_ArgValPtr_Deref, {1, 0}).Op(Op_LocalValPtr_Deref, {0, 0}).Op(Op_Sub);
  c.Op(Op_Subst).Op(Op_Pop);
  c.Op(Op_LocalValPtr_Deref, {1, 0}).PushInt(3).Op(Op_GTE).Jump(Op_JumpZero, 2);
  c.Op(Op_LocalValPtr, {3}).Op(Op_LocalValPtr_Deref, {3, 0}).Op(Op_LocalValPtr_Deref, {2, 0}).Op(Op_Add);
  c.Op(Op_Subst).Op(Op_Pop);
  c.Bind(2);
  c.Op(Op_LocalValPtr, {0}).PushInt(1).Op(Op_AddSubst).Op(Op_Pop);
  c.Jump(Op_Jump, 0);
  c.Bind(1);
  c.Op(Op_LocalValPtr_Deref, {1, 0}).PushInt(2).Op(Op_Mul);
  c.Op(Op_LocalValPtr_Deref, {3, 0}).Op(Op_LocalValPtr_Deref, {2, 0}).Op(Op_EQ).Op(Op_Add).Op(Op_Ret);
}

}  // namespace

class FusedTest : public VMTest {
 protected:
  void TearDown() override {
    VM().fuseCode = true;
    VMTest::TearDown();
  }

  // A class with the loop function, its code verified (and translated or
  // not) on first use.
  TRTTI* LoopClass(bool fused) {
    TRTTI* cls = MakeClass(fused ? "Fused" + std::to_string(++classCounter) : "Plain" + std::to_string(++classCounter),
                           {}, objectClass);
    CodeBuilder c;
    EmitLoop(c);
    AddFunction(cls, FunctionKind::kNormal, "f", c, {"a", "b"}, {"i", "s", "t", "u"});
    VM().fuseCode = fused;
    TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "f");
    TProcess::Free(p);
    VM().fuseCode = true;
    return cls;
  }

  TProcess* Start(TRTTI* cls, Value a, Value b) {
    std::vector<Value> args = {a, b};
    TProcess* p = TProcess::Create(cls->CreateInstance(), &args, "f");
    processes.push_back(p);
    return p;
  }

  static Snapshot Take(TProcess* p, TRTTI* cls) {
    auto* f = static_cast<TNormalFunction*>(cls->FindMethodByName("f"));
    Snapshot s{p->halted, f->Code->AddressOf(p->ip), static_cast<long>(p->stack + kStackSlots - p->sp), p->sliceLength,
               ""};
    if (!p->halted) {
      for (int k = 0; k < 4; ++k) s.locals += ValueToText(p->fp[-k]) + ",";
    } else if (p->result) {
      s.locals = ValueToText(*p->result);
    }
    return s;
  }

  // Runs a fresh process with one budget and describes where it stopped.
  Snapshot RunWithBudget(TRTTI* cls, Value a, Value b, int32_t budget) {
    TProcess* p = Start(cls, a, b);
    ruvel::Run(p, budget);
    return Take(p, cls);
  }

  // The addresses a process passes when stepped one instruction at a time.
  std::vector<int32_t> Steps(TRTTI* cls, Value a, Value b, std::string& result) {
    auto* f = static_cast<TNormalFunction*>(cls->FindMethodByName("f"));
    TProcess* p = Start(cls, a, b);
    std::vector<int32_t> seen;
    for (int guard = 0; !p->halted && guard < 10000; ++guard) {
      seen.push_back(f->Code->AddressOf(p->ip));
      ruvel::Run(p, 1);
      EXPECT_EQ(p->sliceLength, 1);
    }
    result = p->result ? ValueToText(*p->result) : "?";
    return seen;
  }
};

TEST_F(FusedTest, TranslationKeepsTheSpecifiedCode) {
  TRTTI* fused = LoopClass(true);
  TRTTI* plain = LoopClass(false);
  auto code = [](TRTTI* cls) { return static_cast<TNormalFunction*>(cls->FindMethodByName("f"))->Code.get(); };
  // Every kind of group in the loop is fused; the specified code and its
  // listing are untouched.
  EXPECT_EQ(code(fused)->FusedGroups(), 16);
  EXPECT_EQ(code(plain)->FusedGroups(), 0);
  EXPECT_EQ(code(fused)->code, code(plain)->code);
  std::vector<std::string> a, b;
  ListCode(*code(fused), 0, a);
  ListCode(*code(plain), 0, b);
  EXPECT_EQ(a, b);
  // The interpreter runs a copy whose addresses map back to the code.
  const uint32_t* run = code(fused)->RunStart();
  EXPECT_NE(run, code(fused)->code.data());
  EXPECT_EQ(code(fused)->AddressOf(run + 5), 20);
  EXPECT_EQ(code(fused)->AddressOf(code(fused)->code.data() + 5), 20);
  EXPECT_TRUE(code(fused)->Holds(run + 5));
  // Changed code is translated again on its next run; frames still in the
  // earlier copy keep their addresses.
  code(fused)->CodeChanged();
  code(fused)->EnsureVerified(static_cast<TNormalFunction*>(fused->FindMethodByName("f"))->LocalCount());
  EXPECT_NE(code(fused)->RunStart(), run);
  EXPECT_TRUE(code(fused)->Holds(run + 5));
  EXPECT_EQ(code(fused)->AddressOf(run + 5), 20);
  EXPECT_FALSE(code(plain)->Holds(run + 5));
  EXPECT_EQ(code(plain)->AddressOf(run + 5), -1);
}

TEST_F(FusedTest, EveryBudgetStopsWhereSingleInstructionsStop) {
  TRTTI* fused = LoopClass(true);
  TRTTI* plain = LoopClass(false);
  // Integers take the fast paths; a float b and a null a take the single
  // instructions inside the groups.
  const std::vector<std::pair<Value, Value>> inputs = {
      {MakeInt(6), MakeInt(4)}, {MakeInt(5), MakeFloat(2.5f)}, {MakeNull(), MakeInt(1)}};
  for (const auto& [a, b] : inputs) {
    std::string rf, rp;
    std::vector<int32_t> sf = Steps(fused, a, b, rf);
    std::vector<int32_t> sp = Steps(plain, a, b, rp);
    ASSERT_EQ(sf, sp) << ValueToText(a) << "," << ValueToText(b);
    EXPECT_EQ(rf, rp);
    const int32_t total = static_cast<int32_t>(sf.size());
    ASSERT_GT(total, 20);
    for (int32_t budget = 1; budget <= total + 1; ++budget) {
      Snapshot x = RunWithBudget(fused, a, b, budget);
      Snapshot y = RunWithBudget(plain, a, b, budget);
      ASSERT_EQ(x, y) << "budget " << budget;
      EXPECT_EQ(x.slice, std::min(budget, total));
    }
  }
  // The integer run gives the expected result: s ends as b - (a - 1) = -1,
  // u grew while s >= 3, so u != t.
  std::string r;
  Steps(fused, MakeInt(6), MakeInt(4), r);
  EXPECT_EQ(r, "-2");
}

TEST_F(FusedTest, StoresKeepReferenceCounts) {
  // u = t and s = t (a fused store of an object from a local and through
  // Subst/Pop) leave the same counts as the single instructions.
  auto run = [&](bool fused) {
    TRTTI* cls = MakeClass("Counts" + std::to_string(++classCounter), {}, objectClass);
    CodeBuilder c;
    c.Op(Op_LocalValPtr, {0}).Op(Op_ArgValPtr_Deref, {0, 0}).Op(Op_Subst).Op(Op_Pop);
    c.Op(Op_LocalValPtr, {1}).Op(Op_LocalValPtr_Deref, {0, 0}).Op(Op_Subst).Op(Op_Pop);
    c.Op(Op_LocalValPtr, {1}).Op(Op_LocalValPtr_Deref, {1, 0}).Op(Op_Subst).Op(Op_Pop);
    c.Op(Op_LocalValPtr, {2}).Op(Op_ArgValPtr_Deref, {0, 0}).Op(Op_Deref).Op(Op_Subst).Op(Op_Pop);
    c.Op(Op_LocalValPtr, {2}).PushInt(5).Op(Op_Subst).Op(Op_Pop);
    c.Op(Op_ArgValPtr_Deref, {0, 0}).Op(Op_Ret);
    AddFunction(cls, FunctionKind::kNormal, "f", c, {"a"}, {"x", "y", "z"});
    VM().fuseCode = fused;
    Instance* text = NewScriptString("shared");
    Value tv = MakeObject(text);
    Retain(tv);
    std::vector<Value> args = {tv};
    TProcess* p = TProcess::Create(cls->CreateInstance(), &args, "f");
    processes.push_back(p);
    VM().fuseCode = true;
    std::vector<int32_t> counts;
    while (!p->halted) {
      ruvel::Run(p, 1);
      counts.push_back(text->refcount);
    }
    // Counts between the groups, and after them.
    std::vector<int32_t> result = {counts[3], counts[7], counts[11], counts[16], counts[20]};
    TProcess::Free(p);
    processes.pop_back();
    result.push_back(text->refcount);
    Release(tv);
    return std::make_pair(result, static_cast<TNormalFunction*>(cls->FindMethodByName("f"))->Code->FusedGroups());
  };
  auto fused = run(true);
  auto plain = run(false);
  EXPECT_EQ(fused.second, 6);
  EXPECT_EQ(fused.first, plain.first);
  // Caller, argument slot, x, y; z took 5 again; all but the caller's own
  // count gone with the process.
  EXPECT_EQ(fused.first, (std::vector<int32_t>{3, 4, 4, 5, 4, 1}));
}

TEST_F(FusedTest, ErrorsComeFromTheSingleInstruction) {
  // Subst with a non-reference below the value: the fused Subst/Pop hands
  // over to Subst, which raises at its own address.
  auto run = [&](bool fused) {
    CodeBuilder c;
    c.PushInt(1).PushInt(2).Op(Op_Subst).Op(Op_Pop).PushInt(0).Op(Op_Ret);
    VM().fuseCode = fused;
    TProcess* p = nullptr;
    sink.shown.clear();
    RunCode(c, 0, &p);
    VM().fuseCode = true;
    EXPECT_EQ(p->state, 2);
    return sink.shown.empty() ? std::string() : sink.shown.back();
  };
  std::string fused = run(true);
  EXPECT_NE(fused.find(J("異常な命令が入っています")), std::string::npos);
  EXPECT_EQ(fused, run(false));
}

TEST_F(FusedTest, AStringCountedOnlyByItsVariableGrowsInPlace) {
  // f(a) with locals s, k: s = a; k = s + "-"; then four times s = s + "xy";
  // returns s. The argument's string, which s shares, is left alone; the
  // new string that only s counts grows in place.
  auto run = [&](bool fused) {
    TRTTI* cls = MakeClass("Grow" + std::to_string(++classCounter), {}, objectClass);
    CodeBuilder c;
    c.Op(Op_LocalValPtr, {0}).Op(Op_ArgValPtr_Deref, {0, 0}).Op(Op_Subst).Op(Op_Pop);
    c.Op(Op_LocalValPtr, {1}).Op(Op_LocalValPtr_Deref, {0, 0}).PushString("-").Op(Op_Add).Op(Op_Subst).Op(Op_Pop);
    for (int i = 0; i < 4; ++i) {
      c.Op(Op_LocalValPtr, {0}).Op(Op_LocalValPtr_Deref, {0, 0}).PushString("xy").Op(Op_Add).Op(Op_Subst).Op(Op_Pop);
    }
    c.Op(Op_LocalValPtr_Deref, {0, 0}).Op(Op_Ret);
    AddFunction(cls, FunctionKind::kNormal, "f", c, {"a"}, {"s", "k"});
    VM().fuseCode = fused;
    Instance* text = NewScriptString("ab");
    Value tv = MakeObject(text);
    Retain(tv);
    std::vector<Value> args = {tv};
    TProcess* p = TProcess::Create(cls->CreateInstance(), &args, "f");
    processes.push_back(p);
    VM().fuseCode = true;
    ruvel::Run(p, 0);
    EXPECT_TRUE(p->halted);
    // The argument's string was shared all along and kept its text.
    EXPECT_EQ(StringText(text), "ab");
    EXPECT_EQ(text->refcount, 1);
    EXPECT_EQ(p->result->obj->refcount, 1);
    Release(tv);
    return ValueToText(*p->result);
  };
  EXPECT_EQ(run(true), "abxyxyxyxy");
  EXPECT_EQ(run(false), "abxyxyxyxy");
  // Run whole, the fused code grows the second string in place: the result
  // is the string made by the first append.
  TRTTI* cls = MakeClass("Grow" + std::to_string(++classCounter), {}, objectClass);
  CodeBuilder c;
  c.Op(Op_LocalValPtr, {0}).PushString("ab").Op(Op_Subst).Op(Op_Pop);
  for (int i = 0; i < 3; ++i) {
    c.Op(Op_LocalValPtr, {0}).Op(Op_LocalValPtr_Deref, {0, 0}).PushString("xy").Op(Op_Add).Op(Op_Subst).Op(Op_Pop);
  }
  c.Op(Op_LocalValPtr_Deref, {0, 0}).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "f", c, {}, {"s"});
  TProcess* p = TProcess::Create(cls->CreateInstance(), nullptr, "f");
  processes.push_back(p);
  ruvel::Run(p, 4);  // s holds "ab", counted once
  ASSERT_EQ(p->fp[0].tag, kObject);
  Instance* grown = p->fp[0].obj;
  EXPECT_EQ(grown->refcount, 1);
  ruvel::Run(p, 0);
  ASSERT_TRUE(p->halted);
  EXPECT_EQ(ValueToText(*p->result), "abxyxyxy");
  EXPECT_EQ(p->result->obj, grown);
  EXPECT_EQ(grown->refcount, 1);
}

TEST_F(FusedTest, ALocalIndexPastTheLocalsIsRefusedBeforeItRuns) {
  // Local 1 of a function with one local would be a slot below the locals
  // (a stale value of an earlier push); local 0 of class code, which has
  // no locals, likewise. Such code is refused with or without fusing, for
  // the pointer and the value form alike, and nothing runs.
  const std::string bad = Utf8ToCp932("異常な命令が入っています");
  for (bool fused : {true, false}) {
    for (uint32_t op : {Op_LocalValPtr_Deref, Op_LocalValPtr}) {
      TRTTI* cls = MakeClass("Stale" + std::to_string(++classCounter), {}, objectClass);
      CodeBuilder c;
      c.Op(Op_LocalValPtr, {0}).Op(op, op == Op_LocalValPtr ? std::initializer_list<uint32_t>{1}
                                                            : std::initializer_list<uint32_t>{1, 0});
      if (op == Op_LocalValPtr) c.Op(Op_Deref);
      c.Op(Op_Subst).Op(Op_Ret);
      AddFunction(cls, FunctionKind::kNormal, "f", c, {}, {"x"});
      VM().fuseCode = fused;
      try {
        TProcess::Create(cls->CreateInstance(), nullptr, "f");
        ADD_FAILURE() << "ran code reading local 1 of 1, fused " << fused;
      } catch (const EVMError& e) {
        EXPECT_EQ(e.what(), bad);
      }
      VM().fuseCode = true;

      CodeBuilder body;
      body.Op(op, op == Op_LocalValPtr ? std::initializer_list<uint32_t>{0} : std::initializer_list<uint32_t>{0, 0});
      body.Op(Op_Ret);
      cls->ClassCode = body.Finish(cls);
      EXPECT_THROW(TProcess::Create(cls->CreateInstance(), nullptr, ""), EVMError);
    }
  }
  // The same index inside the locals runs.
  TRTTI* good = MakeClass("Stale" + std::to_string(++classCounter), {}, objectClass);
  CodeBuilder c;
  c.Op(Op_LocalValPtr, {1}).PushInt(7).Op(Op_Subst).Op(Op_Pop).Op(Op_LocalValPtr_Deref, {1, 0}).Op(Op_Ret);
  AddFunction(good, FunctionKind::kNormal, "f", c, {}, {"x", "y"});
  TProcess* p = TProcess::Create(good->CreateInstance(), nullptr, "f");
  processes.push_back(p);
  ruvel::Run(p, 0);
  ASSERT_NE(p->result, nullptr);
  EXPECT_EQ(ValueToText(*p->result), "7");
}

}  // namespace ruvel::test
