#include "catalogue/catalogue.h"

#include <utility>

namespace catalogue {

AppEntry* Catalogue::Current() {
  return cursor_ < 0 ? nullptr : &entries_[static_cast<size_t>(cursor_)];
}

void Catalogue::SelectIndex(int index) {
  if (index < 0)
    cursor_ = -1;
  else if (index >= Count())
    cursor_ = Count() - 1;
  else
    cursor_ = index;
}

AppEntry& Catalogue::Add() {
  // cursor_ + 1 is 0 when there is no cursor, which gives the front.
  const int position = cursor_ + 1;
  entries_.insert(entries_.begin() + position, AppEntry());
  cursor_ = position;
  return entries_[static_cast<size_t>(position)];
}

void Catalogue::RemoveCurrent() {
  if (cursor_ < 0) return;
  entries_.erase(entries_.begin() + cursor_);
  if (cursor_ > 0)
    --cursor_;
  else if (entries_.empty())
    cursor_ = -1;
  // else: the successor has moved into index 0 and stays current.
}

void Catalogue::RemoveEntries(const std::vector<int>& indices) {
  std::vector<bool> going(entries_.size(), false);
  for (int i : indices)
    if (i >= 0 && i < Count()) going[static_cast<size_t>(i)] = true;
  size_t kept = 0;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (!going[i]) {
      if (kept != i) entries_[kept] = std::move(entries_[i]);
      ++kept;
    }
  entries_.resize(kept);
  cursor_ = Count() - 1;
}

void Catalogue::Swap(int a, int b) {
  if (a < 0 || b < 0 || a >= Count() || b >= Count()) return;
  std::swap(entries_[static_cast<size_t>(a)], entries_[static_cast<size_t>(b)]);
}

void Catalogue::Clear() {
  entries_.clear();
  cursor_ = -1;
}

}  // namespace catalogue
