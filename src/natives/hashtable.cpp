#include "natives/hashtable.h"

#include <cmath>
#include <cstring>

#include "natives/natives_args.h"
#include "vm/host_registry.h"

namespace ruvel {

namespace {

constexpr uint32_t kMask30 = 0x3FFFFFFFu;

uint32_t Payload32(const Value& v) {
  switch (v.tag) {
    case kNull:
      return 0;
    case kInt:
    case kError:
    case kUninit:
      return static_cast<uint32_t>(v.i);
    case kFloat: {
      uint32_t bits;
      std::memcpy(&bits, &v.f, 4);
      return bits;
    }
    case kObject:
      return v.obj ? v.obj->handle : 0;
    default:
      return static_cast<uint32_t>(v.bits);
  }
}

void ReleaseQuietly(Value& v) {
  try {
    Release(v);
  } catch (...) {
    // A wrong count must not stop the rest being released.
  }
  v = MakeNull();
}

}  // namespace

TAbstractHashtable::TAbstractHashtable() : buckets_(kBuckets) { RegisterHost(this); }

TAbstractHashtable::~TAbstractHashtable() {
  UnregisterHost(this);
  for (auto& bucket : buckets_) {
    for (Entry& e : bucket) {
      ReleaseQuietly(e.key);
      ReleaseQuietly(e.value);
    }
  }
}

uint32_t TAbstractHashtable::IdentityHash(const Value& key) {
  uint32_t t = key.tag;
  uint32_t p = Payload32(key);
  return ((t * 70009u + p * 7000009u) * 48828125u) & kMask30;
}

bool TAbstractHashtable::IndexedFind(int b, const Value& key, int& pos) const {
  if (key.tag == kInt) {
    if (!IntIndexExact(b)) return false;
    pos = intIndex_.Find(key.i);
    return true;
  }
  if (IndexesText() && key.tag == kObject && IsStringObject(key.obj)) {
    auto it = textIndex_.find(StringText(key.obj));
    pos = it == textIndex_.end() ? -1 : it->second;
    return true;
  }
  return false;
}

void TAbstractHashtable::IndexEntry(int b, int pos, const Value& key) {
  if (key.tag == kInt) {
    intIndex_.Add(key.i, pos);
    return;
  }
  ++otherKeys_[b];
  if (IndexesText() && key.tag == kObject && IsStringObject(key.obj)) textIndex_.emplace(StringText(key.obj), pos);
}

void TAbstractHashtable::UnindexEntry(int b, const Value& key) {
  if (key.tag == kInt) {
    intIndex_.Erase(key.i);
    return;
  }
  --otherKeys_[b];
  if (IndexesText() && key.tag == kObject && IsStringObject(key.obj)) textIndex_.erase(StringText(key.obj));
}

TAbstractHashtable::Entry* TAbstractHashtable::Find(const Value& key) {
  // Integer keys hash by identity in both kinds of table, and an integer
  // entry equals an integer key exactly when the two are the same number.
  if (key.tag == kInt) {
    const int b = BucketOf(IdentityHash(key));
    lastBucket_ = b;
    if (IntIndexExact(b)) {
      const int32_t pos = intIndex_.Find(key.i);
      auto& bucket = buckets_[b];
      if (pos < 0) {
        lastPos_ = -1;
        return nullptr;
      }
      if (static_cast<size_t>(pos) < bucket.size()) {
        Entry& e = bucket[static_cast<size_t>(pos)];
        if (e.key.tag == kInt && e.key.i == key.i) {
          lastPos_ = pos;
          return &e;
        }
      }
    }
  }
  lastBucket_ = BucketOf(Hash(key));
  auto& bucket = buckets_[lastBucket_];
  int pos = -1;
  // A found entry is confirmed, so an index that disagrees with the bucket
  // (a key whose text was freed under it) costs a scan, never a wrong entry.
  if (IndexedFind(lastBucket_, key, pos) &&
      (pos < 0 || (static_cast<size_t>(pos) < bucket.size() && KeyEquals(bucket[static_cast<size_t>(pos)].key, key)))) {
    lastPos_ = pos;
    return pos < 0 ? nullptr : &bucket[static_cast<size_t>(pos)];
  }
  for (size_t i = 0; i < bucket.size(); ++i) {
    if (KeyEquals(bucket[i].key, key)) {
      lastPos_ = static_cast<int>(i);
      return &bucket[i];
    }
  }
  lastPos_ = -1;
  return nullptr;
}

void TAbstractHashtable::Put(const Value& key, const Value& value) {
  // An integer key where the index is exact takes one probe of the index,
  // which finds its entry or the free slot a new entry's position goes to.
  if (key.tag == kInt) {
    const int b = BucketOf(IdentityHash(key));
    if (IntIndexExact(b)) {
      auto& bucket = buckets_[b];
      TIntIndex::Slot* slot = intIndex_.Claim(key.i);
      if (slot->pos < 0) {
        const int32_t pos = static_cast<int32_t>(bucket.size());
        Value v = value;
        Retain(v);
        bucket.push_back({key, v});
        intIndex_.Fill(slot, key.i, pos);
        lastBucket_ = b;
        lastPos_ = pos;
        return;
      }
      const size_t pos = static_cast<size_t>(slot->pos);
      if (pos < bucket.size() && bucket[pos].key.tag == kInt && bucket[pos].key.i == key.i) {
        lastBucket_ = b;
        lastPos_ = static_cast<int32_t>(pos);
        ValueAssign(bucket[pos].value, value);
        return;
      }
      // An index that disagrees with its bucket: the general path below.
    }
  }
  Entry* e = Find(key);
  const int b = lastBucket_;
  if (!e) {
    auto& bucket = buckets_[b];
    bucket.push_back({MakeNull(), MakeNull()});
    e = &bucket.back();
    lastPos_ = static_cast<int>(bucket.size()) - 1;
  } else if (e->key.tag == kInt && key.tag == kInt) {
    // The same integer: key and index stay as they are.
    ValueAssign(e->value, value);
    return;
  } else {
    // The entry takes the new key, which may differ in kind ("1" found by 1).
    UnindexEntry(b, e->key);
  }
  ValueAssign(e->key, key);
  ValueAssign(e->value, value);
  IndexEntry(b, lastPos_, e->key);
}

bool TAbstractHashtable::Remove(const Value& key, Value& removed) {
  if (!Find(key)) return false;
  const int b = lastBucket_;
  auto& bucket = buckets_[b];
  Entry e = bucket[static_cast<size_t>(lastPos_)];
  UnindexEntry(b, e.key);
  bucket.erase(bucket.begin() + lastPos_);
  // The entries behind it moved up by one.
  for (size_t i = static_cast<size_t>(lastPos_); i < bucket.size(); ++i) {
    const Value& k = bucket[i].key;
    if (k.tag == kInt) intIndex_.Set(k.i, static_cast<int32_t>(i));
    else if (IndexesText() && k.tag == kObject && IsStringObject(k.obj)) textIndex_[StringText(k.obj)] = static_cast<int>(i);
  }
  removed = e.value;
  ReleaseQuietly(e.key);
  return true;
}

size_t TAbstractHashtable::Size() const {
  size_t n = 0;
  for (const auto& bucket : buckets_) n += bucket.size();
  return n;
}

void TAbstractHashtable::StartFind() {
  cursorBucket_ = 0;
  cursorPos_ = -1;
  Advance();
}

void TAbstractHashtable::Advance() {
  if (cursorBucket_ >= kBuckets) return;
  ++cursorPos_;
  while (cursorBucket_ < kBuckets && static_cast<size_t>(cursorPos_) >= buckets_[cursorBucket_].size()) {
    ++cursorBucket_;
    cursorPos_ = 0;
  }
}

bool TAbstractHashtable::HasNext() const {
  // Entries removed since the cursor was placed may leave it past its
  // bucket's end: it then stands nowhere until advanced.
  return cursorBucket_ < kBuckets && cursorPos_ >= 0 &&
         static_cast<size_t>(cursorPos_) < buckets_[cursorBucket_].size();
}

Value TAbstractHashtable::NextKey() {
  Value key = HasNext() ? buckets_[cursorBucket_][cursorPos_].key : MakeNull();
  Advance();
  return key;
}

uint32_t THashtable::Hash(const Value& key) const {
  if (key.tag == kObject && IsStringObject(key.obj)) {
    uint32_t sum = 0;
    for (unsigned char c : StringText(key.obj)) sum += c;
    return (sum * 70009u * 48828125u) & kMask30;
  }
  if (key.tag == kFloat && std::isfinite(key.f) && std::trunc(key.f) == key.f && key.f >= -2147483648.0f &&
      key.f < 2147483648.0f) {
    return IdentityHash(MakeInt(static_cast<int32_t>(key.f)));
  }
  return IdentityHash(key);
}

bool THashtable::KeyEquals(const Value& entryKey, const Value& key) const {
  return ValueCompare(entryKey, key) == 0.0f;
}

bool TLightHashtable::KeyEquals(const Value& entryKey, const Value& key) const { return SameIdentity(entryKey, key); }

}  // namespace ruvel
