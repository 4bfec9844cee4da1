// Value-keyed hash tables behind the script classes "HashTable" (keys
// compared by value) and "LightHashTable" (keys compared by identity):
// exactly 32 buckets chosen by the top five bits of a 30-bit hash, entries
// appended per bucket, iteration over buckets 0..31 in insertion order.
// Beside the buckets an index finds integer keys (and, by value, string
// keys) without scanning, wherever the scan could not find anything else.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "natives/int_index.h"
#include "vm/value.h"

namespace ruvel {

class TAbstractHashtable : public TObject {
 public:
  static constexpr int kBuckets = 32;

  // Key and value are counted references.
  struct Entry {
    Value key;
    Value value;
  };

  TAbstractHashtable();
  ~TAbstractHashtable() override;
  TAbstractHashtable(const TAbstractHashtable&) = delete;
  TAbstractHashtable& operator=(const TAbstractHashtable&) = delete;
  const char* TypeName() const override { return "TAbstractHashtable"; }

  // A 30-bit hash of the key.
  virtual uint32_t Hash(const Value& key) const = 0;
  virtual bool KeyEquals(const Value& entryKey, const Value& key) const = 0;

  // ((t * 70009 + p * 7000009) * 48828125) mod 2^30 in 32-bit arithmetic,
  // t the tag and p the 32-bit payload (an object's handle).
  static uint32_t IdentityHash(const Value& key);
  static int BucketOf(uint32_t hash) { return static_cast<int>((hash >> 25) & 31); }

  // The entry of key, or nullptr; remembers the bucket and position.
  Entry* Find(const Value& key);
  // Stores copies of key and value (a new entry goes to the end of its bucket).
  void Put(const Value& key, const Value& value);
  // Removes key's entry; its value (still counted) goes to removed. False
  // when key is absent.
  bool Remove(const Value& key, Value& removed);
  size_t Size() const;

  // Iteration: StartFind puts the cursor on the first entry.
  void StartFind();
  bool HasNext() const;
  // The key under the cursor (not retained), or null; then advances.
  Value NextKey();

  const std::vector<Entry>& Bucket(int i) const { return buckets_[i]; }

 protected:
  // True when an integer key in bucket b can only equal an integer entry
  // of the same value, so the index answers exactly like the scan.
  virtual bool IntIndexExact(int b) const = 0;
  // True when string keys are compared by text (only string entries with
  // the same text can equal them).
  virtual bool IndexesText() const { return false; }
  // Entries of bucket b whose key is not an integer.
  int OtherKeys(int b) const { return otherKeys_[b]; }

 private:
  void Advance();
  // The index's view of the entry at pos of bucket b: added or dropped.
  void IndexEntry(int b, int pos, const Value& key);
  void UnindexEntry(int b, const Value& key);
  // Position of key's entry through the index, -1 when absent; false when
  // the index cannot answer for this key.
  bool IndexedFind(int b, const Value& key, int& pos) const;

  std::vector<std::vector<Entry>> buckets_;
  TIntIndex intIndex_;                              // integer key -> position in its bucket
  std::unordered_map<std::string, int> textIndex_;  // string key text -> position in its bucket
  int otherKeys_[kBuckets] = {};
  int lastBucket_ = -1;
  int lastPos_ = -1;
  int cursorBucket_ = kBuckets;
  int cursorPos_ = -1;
};

// Keys compared by the interpreter's equality; string keys hashed by text.
class THashtable : public TAbstractHashtable {
 public:
  THashtable() { kind_ = HostKind::kHashtable; }
  const char* TypeName() const override { return "THashtable"; }
  // A string: (sum of its bytes) * 70009 * 48828125 mod 2^30. A float with
  // an integral value hashes as that integer, so that keys the comparison
  // finds equal (1 and 1.0) meet in one bucket. Anything else: identity.
  uint32_t Hash(const Value& key) const override;
  bool KeyEquals(const Value& entryKey, const Value& key) const override;

 protected:
  // A float or string entry may equal an integer key (1.0, "1").
  bool IntIndexExact(int b) const override { return OtherKeys(b) == 0; }
  bool IndexesText() const override { return true; }
};

// Keys compared by tag and payload.
class TLightHashtable : public TAbstractHashtable {
 public:
  TLightHashtable() { kind_ = HostKind::kLightHashtable; }
  const char* TypeName() const override { return "TLightHashtable"; }
  uint32_t Hash(const Value& key) const override { return IdentityHash(key); }
  bool KeyEquals(const Value& entryKey, const Value& key) const override;

 protected:
  // Only an integer entry has the tag of an integer key.
  bool IntIndexExact(int) const override { return true; }
};

}  // namespace ruvel
