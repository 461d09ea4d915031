#pragma once
// Number-to-object table shared by every kind of numbered object (windows,
// controls, images, fonts, menus, tray icons). Callers choose the numbers;
// -1 asks for a free identity from a side list.
//
// Records are heap-allocated and never move, so a pointer returned by Find
// stays valid until that number is freed or reused. The table's structure is
// guarded by a reader/writer lock: the timer thread looks up a few numbers
// while the GUI thread may be adding others. Release routines always run
// outside the lock, because releasing a window destroys controls whose own
// teardown looks numbers up again.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <utility>
#include <vector>

namespace ui {

// Identities handed out for -1 start far above any number a caller picks.
constexpr int kFirstFreeIdentity = 0x40000000;

template <typename Record>
class ObjectTable {
 public:
  using ReleaseFn = void (*)(Record&);

  ObjectTable(int initialCapacity, ReleaseFn release)
      : initialCapacity_(initialCapacity), release_(release) {
    slots_.resize(static_cast<size_t>(initialCapacity));
  }
  ObjectTable(const ObjectTable&) = delete;
  ObjectTable& operator=(const ObjectTable&) = delete;

  // Makes the number's record ready for a new object: an old object under the
  // number is released first. Returns the (zeroed) record, or nullptr for an
  // invalid number. *identity receives the number the caller should report.
  Record* Reserve(int number, int* identity = nullptr) {
    Record old{};
    bool hadOld = false;
    Record* result = nullptr;
    {
      std::unique_lock<std::shared_mutex> lock(mutex_);
      if (number == -1) {
        int id = nextIdentity_++;
        auto& slot = extra_[id];
        slot = std::make_unique<Record>();
        result = slot.get();
        if (identity) *identity = id;
      } else if (number >= 0 && number < kFirstFreeIdentity) {
        if (static_cast<size_t>(number) >= slots_.size())
          slots_.resize(static_cast<size_t>(number) + static_cast<size_t>(initialCapacity_));
        auto& slot = slots_[static_cast<size_t>(number)];
        if (slot && slot->handle) {
          old = std::move(*slot);
          hadOld = true;
        }
        if (!slot) slot = std::make_unique<Record>();
        *slot = Record{};
        result = slot.get();
        if (identity) *identity = number;
      } else if (number >= kFirstFreeIdentity) {
        auto it = extra_.find(number);
        if (it != extra_.end()) {
          if (it->second->handle) {
            old = std::move(*it->second);
            hadOld = true;
          }
          *it->second = Record{};
          result = it->second.get();
          if (identity) *identity = number;
        }
      }
    }
    if (hadOld && release_) release_(old);
    return result;
  }

  // The live object under the number, or nullptr.
  Record* Find(int number) const {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    Record* r = SlotLocked(number);
    return (r && r->handle) ? r : nullptr;
  }

  // The record under the number even when it holds no object (used while an
  // object is being created into a reserved record).
  Record* Slot(int number) const {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    return SlotLocked(number);
  }

  // Releases the object and empties the number.
  void Free(int number) {
    Record old{};
    bool hadOld = Take(number, &old);
    if (hadOld && release_) release_(old);
  }

  // Empties the number without releasing (the object is already gone).
  void Forget(int number) {
    Record old{};
    Take(number, &old);
  }

  // Calls f(number, record) for every live object. f must not add or free.
  template <typename F>
  void ForEach(F f) const {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    for (size_t i = 0; i < slots_.size(); ++i)
      if (slots_[i] && slots_[i]->handle) f(static_cast<int>(i), *slots_[i]);
    for (auto& kv : extra_)
      if (kv.second->handle) f(kv.first, *kv.second);
  }

  // Number of the first live record for which pred holds, or -1.
  template <typename Pred>
  int FindNumber(Pred pred) const {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    for (size_t i = 0; i < slots_.size(); ++i)
      if (slots_[i] && slots_[i]->handle && pred(*slots_[i])) return static_cast<int>(i);
    for (auto& kv : extra_)
      if (kv.second->handle && pred(*kv.second)) return kv.first;
    return -1;
  }

  // Releases every live object (program end).
  void ReleaseAll() {
    std::vector<int> numbers;
    ForEach([&](int n, const Record&) { numbers.push_back(n); });
    for (int n : numbers) Free(n);
    std::unique_lock<std::shared_mutex> lock(mutex_);
    extra_.clear();
  }

  size_t Capacity() const {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    return slots_.size();
  }

 private:
  Record* SlotLocked(int number) const {
    if (number >= 0 && number < kFirstFreeIdentity) {
      if (static_cast<size_t>(number) >= slots_.size()) return nullptr;
      return slots_[static_cast<size_t>(number)].get();
    }
    if (number >= kFirstFreeIdentity) {
      auto it = extra_.find(number);
      return it == extra_.end() ? nullptr : it->second.get();
    }
    return nullptr;
  }

  bool Take(int number, Record* out) {
    std::unique_lock<std::shared_mutex> lock(mutex_);
    Record* r = SlotLocked(number);
    if (!r) return false;
    bool had = static_cast<bool>(r->handle);
    *out = std::move(*r);
    *r = Record{};
    if (number >= kFirstFreeIdentity) extra_.erase(number);
    return had;
  }

  int initialCapacity_;
  ReleaseFn release_;
  mutable std::shared_mutex mutex_;
  std::vector<std::unique_ptr<Record>> slots_;
  std::map<int, std::unique_ptr<Record>> extra_;
  int nextIdentity_ = kFirstFreeIdentity;
};

}  // namespace ui
