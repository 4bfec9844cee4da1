#include "devui/profiler.h"

#include <algorithm>
#include <cstdio>

#include "platform/atomic_file.h"
#include "runtime/function.h"
#include "runtime/rtti.h"
#include "vm/value.h"

namespace ruvel {

namespace {
void OnProfileEvent(ProfileEvent event, const TFunction* f, const Value* self) { Profiler().OnEvent(event, f, self); }
}  // namespace

TProfiler& Profiler() {
  static TProfiler profiler;
  return profiler;
}

int64_t TProfiler::Now() const {
  if (testClock) return testClock();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

void TProfiler::Start() {
  rows_.clear();
  outer_.clear();
  current_.clear();
  last_ = Now();
  running_ = true;
  VM().profile = OnProfileEvent;
}

void TProfiler::Stop() {
  if (!running_) return;
  Charge(Now());
  running_ = false;
  if (VM().profile == OnProfileEvent) VM().profile = nullptr;
}

std::string TProfiler::KeyOf(const TFunction* f, const Value* self) {
  if (f) return (f->Owner ? f->Owner->name : std::string("?")) + "." + f->GetName();
  if (self && self->tag == kObject && self->obj && self->obj->cls) return self->obj->cls->name + ".<body>";
  return "?.<body>";
}

void TProfiler::Charge(int64_t now) {
  if (!current_.empty()) {
    TProfileRow& row = rows_[current_];
    row.name = current_;
    row.totalMs += double(now - last_) / 1e6;
  }
  last_ = now;
}

void TProfiler::OnEvent(ProfileEvent event, const TFunction* f, const Value* self) {
  int64_t now = Now();
  Charge(now);
  switch (event) {
    case ProfileEvent::kEnter: {
      current_ = KeyOf(f, self);
      TProfileRow& row = rows_[current_];
      row.name = current_;
      ++row.calls;
      break;
    }
    case ProfileEvent::kLeave:
      current_ = KeyOf(f, self);
      break;
    case ProfileEvent::kRunStart:
      outer_.push_back(current_);
      current_ = KeyOf(f, self);
      break;
    case ProfileEvent::kRunEnd:
      // A run that began before Start has no entry: nothing ran around it.
      if (outer_.empty()) {
        current_.clear();
      } else {
        current_ = outer_.back();
        outer_.pop_back();
      }
      break;
  }
}

std::vector<TProfileRow> TProfiler::Rows() const {
  std::vector<TProfileRow> rows;
  for (const auto& [name, row] : rows_) rows.push_back(row);
  std::stable_sort(rows.begin(), rows.end(), [](const TProfileRow& a, const TProfileRow& b) {
    if (a.totalMs != b.totalMs) return a.totalMs > b.totalMs;
    return a.name < b.name;
  });
  return rows;
}

std::string TProfiler::Csv() const {
  std::string out = "name,calls,total_ms,average_ms\n";
  char buf[96];
  for (const TProfileRow& r : Rows()) {
    std::snprintf(buf, sizeof buf, ",%ld,%.3f,%.4f\n", r.calls, r.totalMs, r.AverageMs());
    out += r.name + buf;
  }
  return out;
}

bool TProfiler::WriteCsv(const std::string& path) const { return WriteFileAtomic(path, Csv()); }

}  // namespace ruvel
