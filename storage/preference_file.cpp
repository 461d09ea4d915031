#include "storage/preference_file.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <list>
#include <memory>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "storage/file_shim.h"

namespace preference {
namespace {

enum class Kind : uint8_t { kGroup, kComment, kKey };

struct Line {
  Kind kind = Kind::kKey;
  std::string_view name;   // group name, comment text or key name
  std::string_view value;  // key lines only
  // Lines read from the file point into the file buffer; lines written later own their texts here.
  std::string owned;
};

// Node storage for the line list. A file's lines are made in one go and freed in one go at
// Close; the general-purpose heap spent more time on tens of thousands of small nodes than the
// parse itself. Freed nodes are reused; when the last node of a large file goes, so do the blocks.
class NodePool {
 public:
  explicit NodePool(size_t nodeSize) : nodeSize_((nodeSize + alignof(std::max_align_t) - 1) /
                                                 alignof(std::max_align_t) * alignof(std::max_align_t)) {}

  void* Take() {
    ++live_;
    if (free_ != nullptr) {
      FreeNode* node = free_;
      free_ = node->next;
      return node;
    }
    if (next_ == end_) Grow();
    void* node = next_;
    next_ += nodeSize_;
    return node;
  }

  void Give(void* p) {
    auto* node = static_cast<FreeNode*>(p);
    node->next = free_;
    free_ = node;
    // Blocks of an ordinary file stay for the next one: fresh pages cost more than the parse.
    if (--live_ == 0 && totalNodes_ * nodeSize_ > kKeptBytes) Release();
  }

 private:
  struct FreeNode {
    FreeNode* next;
  };
  static constexpr size_t kKeptBytes = 8u << 20;

  void Grow() {
    const size_t count = blocks_.empty() ? 64 : std::min<size_t>(blockNodes_ * 2, 1u << 16);
    char* block = static_cast<char*>(::operator new(count * nodeSize_));  // throws std::bad_alloc
    try {
      blocks_.push_back(block);
    } catch (...) {
      ::operator delete(block);
      throw;
    }
    blockNodes_ = count;
    totalNodes_ += count;
    next_ = block;
    end_ = block + count * nodeSize_;
  }

  void Release() {
    for (char* block : blocks_) ::operator delete(block);
    blocks_.clear();
    blockNodes_ = totalNodes_ = 0;
    free_ = nullptr;
    next_ = end_ = nullptr;
  }

  size_t nodeSize_;
  size_t live_ = 0;
  size_t blockNodes_ = 0;
  size_t totalNodes_ = 0;
  FreeNode* free_ = nullptr;
  char* next_ = nullptr;
  char* end_ = nullptr;
  std::vector<char*> blocks_;
};

template <class T>
struct PoolAllocator {
  using value_type = T;
  PoolAllocator() = default;
  template <class U>
  PoolAllocator(const PoolAllocator<U>&) {}  // NOLINT: rebinding, as containers require

  static NodePool& Pool() {
    // Never destroyed: the module's list may still hold nodes while statics go at exit.
    static NodePool* pool = new NodePool(sizeof(T));
    return *pool;
  }
  T* allocate(size_t n) {
    if (n != 1) return static_cast<T*>(::operator new(n * sizeof(T)));
    return static_cast<T*>(Pool().Take());
  }
  void deallocate(T* p, size_t n) {
    if (n != 1) {
      ::operator delete(p);
      return;
    }
    Pool().Give(p);
  }
  template <class U>
  bool operator==(const PoolAllocator<U>&) const { return true; }
  template <class U>
  bool operator!=(const PoolAllocator<U>&) const { return false; }
};

using LineList = std::list<Line, PoolAllocator<Line>>;
using LineIt = LineList::iterator;

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Only A-Z fold: the files are Windows-1252 or UTF-8, and the launcher never relied on more.
char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

struct FoldedHash {
  size_t operator()(std::string_view s) const {
    uint64_t h = 1469598103934665603ull;
    for (char c : s) {
      h ^= static_cast<unsigned char>(FoldAscii(c));
      h *= 1099511628211ull;
    }
    return static_cast<size_t>(h);
  }
};

struct FoldedEqual {
  bool operator()(std::string_view a, std::string_view b) const { return SameName(a, b); }
};

// Headers by name, so that a save of thousands of new groups does not rescan the list for each.
// `count` tells RemoveGroup whether a later header of the same name must take over.
struct GroupEntry {
  LineIt first;
  size_t count;
};
using GroupIndex = std::unordered_map<std::string_view, GroupEntry, FoldedHash, FoldedEqual>;

// The open file's state, which Open, Create, Load, Close, Abandon and WriteBack share:
//
//   closed      active false, no path, no handle, no lines. After Close and Abandon, and at start.
//   read        active, path set, handle open, lines parsed from the buffer. `writable` when the
//               handle was opened for update (others may read, not write, meanwhile) and the file
//               is not in gUnread: then Close may replace it. A file we could only open for reading
//               (read-only, on a write-protected stick) is read with `writable` false.
//   missing     active, path set, no handle, no lines, `writable` true: Open returned 0, and writes
//               made anyway create the file at Close (WriteBack opens it for update first, since it
//               may have appeared meanwhile).
//   unreadable  the path is in gUnread: it existed but could not be opened, or opened and not be
//               read. Open returns 0 and `writable` stays false for the rest of the run, so neither
//               Close nor Create ever writes it: what is in memory is not its content.
//   created     after Create: handle open for update, no lines, `modified` already set, so that
//               Close writes the new content even if nothing was added.
// `modified` says whether Close must write at all; Close reports 0 only when it had to and could
// not. Close always ends in `closed`; Abandon only drops the flags (the lines of a faulted run may
// be half-built, so they are left alone).
//
// The ".tmp" copy: ReplaceContent writes it, flushes it, and renames it over the file, in two
// steps on FAT. So a copy with no file beside it is the latest complete content: Open renames it
// to the file (then `read` as usual), or, when that fails, reads the copy itself with `writable`
// false; a copy it cannot read makes the file `unreadable`, since a new file would bury it. A copy
// beside an existing file is a write that never finished and goes, but only once we hold the file
// for update, so that another launcher's save in progress is left alone.
struct Module {
  Module() : currentGroup(lines.end()), currentLine(lines.end()) {}

  bool active = false;    // a file is open, or a path is remembered
  bool writable = false;  // the write-back may replace the file
  bool modified = false;
  bool utf8 = false;
  std::string path;
  storage::SharedFile file;
  std::unique_ptr<char[]> buffer;
  LineList lines;
  LineIt currentGroup;  // lines.end() for none
  LineIt currentLine;   // lines.end() for none
  bool hasPending = false;
  std::string pendingName;  // stored form (UTF-8 in UTF-8 mode)
  bool indexBuilt = false;
  GroupIndex index;
};

Module gPref;

// Files that existed but could not be read in this run. Whatever is in memory for them is not their
// content, so no save may replace them until the program starts again.
std::vector<std::string> gUnread;

// A virus scanner or an indexer holds a new file for a moment; a file still held after this is
// treated as unreadable. A file that opens at once costs nothing of it.
constexpr unsigned kBusyPauseMs = 50;
constexpr int kBusyTries = 20;

LineIt None() { return gPref.lines.end(); }

bool IsUnread(std::string_view path) {
  for (const std::string& unread : gUnread) {
    if (SameName(unread, path)) return true;
  }
  return false;
}

void MarkUnread(const std::string& path) {
  if (!path.empty() && !IsUnread(path)) gUnread.push_back(path);
}

bool Failed(storage::OpenStatus status) {
  return status == storage::OpenStatus::kRefused || status == storage::OpenStatus::kBusy;
}

std::string_view Arg(const char* s) { return s != nullptr ? std::string_view(s) : std::string_view(); }

// Windows-1252 bytes 80-9F as code points. The five bytes 1252 leaves unassigned stand for the
// control characters of the same number, as the platform's own conversion has them.
constexpr uint16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The program's text to UTF-8, used for everything the caller hands in while the file is in
// UTF-8 mode.
std::string ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (char c : s) {
    auto b = static_cast<unsigned char>(c);
    const uint32_t code = b >= 0x80 && b < 0xA0 ? kHigh1252[b - 0x80] : b;
    if (code < 0x80) {
      out += c;
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

// One code point from s at i (advancing i), or -1 for a byte that begins no valid sequence
// (i then moves past that byte alone). Overlong forms and surrogates are invalid.
int32_t NextCodePoint(std::string_view s, size_t& i) {
  const auto b = static_cast<unsigned char>(s[i++]);
  if (b < 0x80) return b;
  int extra;
  uint32_t code, least;
  if (b >= 0xC2 && b <= 0xDF) {
    extra = 1, code = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    extra = 2, code = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    extra = 3, code = b & 0x07, least = 0x10000;
  } else {
    return -1;
  }
  if (s.size() - i < static_cast<size_t>(extra)) return -1;
  for (int k = 0; k < extra; ++k) {
    const auto next = static_cast<unsigned char>(s[i + k]);
    if ((next & 0xC0) != 0x80) return -1;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return -1;
  i += extra;
  return static_cast<int32_t>(code);
}

// The byte the program's text has for a code point, or -1. Code points 80-9F come back as the
// bytes of the same number, as earlier versions read them: those versions wrote each byte
// 80-9F (the euro sign as 80) as that code point.
int ByteFor(int32_t code) {
  if (code >= 0 && code <= 0xFF) return code;
  for (int k = 0; k < 32; ++k)
    if (kHigh1252[k] == static_cast<uint32_t>(code)) return 0x80 + k;
  return -1;
}

// UTF-8 to the program's text. False when something had no place in it (a code point 1252 lacks,
// an invalid sequence); each such character or byte is then a '?' in `out`.
bool FromUtf8(std::string_view s, std::string* out) {
  out->clear();
  out->reserve(s.size());
  bool exact = true;
  for (size_t i = 0; i < s.size();) {
    const int byte = ByteFor(NextCodePoint(s, i));
    if (byte < 0) exact = false;
    *out += static_cast<char>(byte < 0 ? '?' : byte);
  }
  return exact;
}

// A text of a UTF-8 file that the program's text cannot hold is handed out with '?' in the
// places it lacks, and the file's own bytes are kept here for the rest of the run: when the
// program writes that stand-in back where it came from (lower-cased, as catalogue paths are), the
// kept bytes go into the file instead. So a save loses nothing the program never understood.
// Values are kept by file, group and key; group names by file and stand-in, all of them, so that
// a stand-in two names share is known to be ambiguous and is written as it is.
struct KeptValueText {
  std::string standIn;
  std::string stored;
};
std::unordered_map<std::string, KeptValueText> gKeptValues;
std::unordered_map<std::string, std::vector<std::string>> gKeptNames;

// Letter case as the program changes it: ASCII and the Windows-1252 letters.
unsigned char Fold1252(unsigned char b) {
  if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) return static_cast<unsigned char>(b + 32);
  if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<unsigned char>(b + 16);
  if (b == 0x9F) return 0xFF;
  return b;
}

void AppendFolded(std::string& out, std::string_view text) {
  for (char c : text) out += static_cast<char>(Fold1252(static_cast<unsigned char>(c)));
  out += '\0';
}

bool SameText1252(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold1252(static_cast<unsigned char>(a[i])) != Fold1252(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string ValuePlace(std::string_view group, std::string_view key) {
  std::string place;
  AppendFolded(place, gPref.path);
  AppendFolded(place, group);
  AppendFolded(place, key);
  return place;
}

std::string NamePlace(std::string_view standIn) {
  std::string place;
  AppendFolded(place, gPref.path);
  AppendFolded(place, standIn);
  return place;
}

bool AnyKept() { return !gKeptValues.empty() || !gKeptNames.empty(); }

void KeepValue(std::string_view group, std::string_view key, const std::string& standIn, std::string_view stored) {
  gKeptValues[ValuePlace(group, key)] = KeptValueText{standIn, std::string(stored)};
}

void AddName(std::vector<std::string>& names, std::string_view stored) {
  if (std::find(names.begin(), names.end(), stored) == names.end()) names.emplace_back(stored);
}

std::string ToUtf8(std::string_view s);
LineIt FindGroup(std::string_view name);

// A group that carries the stand-in itself as its name makes it ambiguous too, whichever is read
// first.
void KeepName(const std::string& standIn, std::string_view stored) {
  std::vector<std::string>& names = gKeptNames[NamePlace(standIn)];
  AddName(names, stored);
  const std::string literal = ToUtf8(standIn);
  if (FindGroup(literal) != gPref.lines.end()) AddName(names, literal);
}

// A value that read exactly is its own: what an earlier read of the same place kept is void.
void ForgetValue(std::string_view group, std::string_view key) { gKeptValues.erase(ValuePlace(group, key)); }
void NameReadExactly(const std::string& name, std::string_view stored) {
  auto found = gKeptNames.find(NamePlace(name));
  if (found != gKeptNames.end()) AddName(found->second, stored);
}

// The kept bytes for a group name the caller hands in, when exactly one kept name fits it.
const std::string* KeptGroupName(std::string_view name) {
  if (gKeptNames.empty()) return nullptr;
  auto found = gKeptNames.find(NamePlace(name));
  return found != gKeptNames.end() && found->second.size() == 1 ? &found->second.front() : nullptr;
}

std::string CurrentGroupName();

const std::string* KeptValue(std::string_view key, std::string_view value) {
  if (gKeptValues.empty()) return nullptr;
  auto found = gKeptValues.find(ValuePlace(CurrentGroupName(), key));
  return found != gKeptValues.end() && SameText1252(found->second.standIn, value) ? &found->second.stored : nullptr;
}

// A caller's text in the form the lines store it; `scratch` holds the conversion.
std::string_view Stored(const char* s, std::string& scratch) {
  if (!gPref.utf8) return Arg(s);
  scratch = ToUtf8(Arg(s));
  return scratch;
}

std::string_view StoredGroupName(const char* name, std::string& scratch) {
  if (gPref.utf8) {
    if (const std::string* kept = KeptGroupName(Arg(name))) return *kept;
  }
  return Stored(name, scratch);
}

std::string_view StoredValue(const char* key, const char* value, std::string& scratch) {
  if (gPref.utf8) {
    if (const std::string* kept = KeptValue(Arg(key), Arg(value))) return *kept;
  }
  return Stored(value, scratch);
}

std::string Returned(std::string_view s) {
  if (!gPref.utf8) return std::string(s);
  std::string text;
  FromUtf8(s, &text);
  return text;
}

std::string CurrentGroupName() {
  return gPref.currentGroup == gPref.lines.end() ? std::string() : Returned(gPref.currentGroup->name);
}

// The new texts may point into the line's own storage, so they are joined before it is replaced.
void SetTexts(Line& line, std::string_view name, std::string_view value) {
  std::string joined;
  joined.reserve(name.size() + value.size());
  joined.append(name).append(value);
  line.owned = std::move(joined);
  line.name = std::string_view(line.owned.data(), name.size());
  line.value = std::string_view(line.owned.data() + name.size(), value.size());
}

LineIt InsertLine(LineIt before, Kind kind, std::string_view name, std::string_view value) {
  LineIt it = gPref.lines.emplace(before);
  it->kind = kind;
  SetTexts(*it, name, value);
  return it;
}

void BuildIndex() {
  if (gPref.indexBuilt) return;
  gPref.index.clear();
  for (LineIt it = gPref.lines.begin(); it != None(); ++it) {
    if (it->kind != Kind::kGroup) continue;
    auto slot = gPref.index.try_emplace(it->name, GroupEntry{it, 0});
    ++slot.first->second.count;
  }
  gPref.indexBuilt = true;
}

LineIt FindGroup(std::string_view name) {
  BuildIndex();
  auto found = gPref.index.find(name);
  return found != gPref.index.end() ? found->second.first : None();
}

void AppendPendingGroup() {
  if (!gPref.hasPending) return;
  LineIt header = InsertLine(None(), Kind::kGroup, gPref.pendingName, {});
  if (gPref.indexBuilt) {
    auto slot = gPref.index.try_emplace(header->name, GroupEntry{header, 0});
    ++slot.first->second.count;
  }
  gPref.currentGroup = gPref.currentLine = header;
  gPref.hasPending = false;
  gPref.pendingName.clear();
  gPref.modified = true;
}

struct KeySearch {
  LineIt line;       // the key line, or None()
  LineIt sectionEnd; // where a new key of this section goes
};

KeySearch FindKey(std::string_view key) {
  LineIt it = gPref.currentGroup == None() ? gPref.lines.begin() : std::next(gPref.currentGroup);
  for (; it != None() && it->kind != Kind::kGroup; ++it) {
    if (it->kind == Kind::kKey && SameName(it->name, key)) return {it, it};
  }
  return {None(), it};
}

// The key's value for reading, or nullptr; a pending group has no lines yet.
const std::string_view* FindValue(const char* key) {
  if (!gPref.active || gPref.hasPending) return nullptr;
  std::string scratch;
  KeySearch found = FindKey(Stored(key, scratch));
  return found.line != None() ? &found.line->value : nullptr;
}

// Byte classes for the parse loop: one table look-up per byte instead of a chain of compares.
constexpr uint8_t kEndOfLine = 1;
constexpr uint8_t kEquals = 2;
struct ByteClasses {
  uint8_t of[256] = {};
  constexpr ByteClasses() {
    of[static_cast<unsigned char>('\r')] = kEndOfLine;
    of[static_cast<unsigned char>('\n')] = kEndOfLine;
    of[static_cast<unsigned char>('=')] = kEquals;
  }
};
constexpr ByteClasses kClasses;

// The first byte at or after p (before end) of one of the classes in mask, or end.
const char* Until(const char* p, const char* end, uint8_t mask) {
  while (p < end && (kClasses.of[static_cast<unsigned char>(*p)] & mask) == 0) ++p;
  return p;
}

void Parse(const char* p, const char* end) {
  while (p < end) {
    while (p < end && IsBlank(*p)) ++p;
    if (p == end) break;
    const char first = *p;
    const char* eol = p;
    if (first == ';') {
      const char* text = p + 1;
      if (text < end && *text == ' ') ++text;
      eol = Until(text, end, kEndOfLine);
      LineIt it = gPref.lines.emplace(None());
      it->kind = Kind::kComment;
      it->name = std::string_view(text, static_cast<size_t>(eol - text));
    } else if (first == '[') {
      // The name runs to the last "]" of the line: names are written as they are, so a "]" inside
      // one ("Tool [x64] beta") is part of it, and text after the closing one was never written.
      const char* name = p + 1;
      eol = Until(name, end, kEndOfLine);
      const char* close = eol;
      while (close > name && close[-1] != ']') --close;
      close = close > name ? close - 1 : eol;
      LineIt it = gPref.lines.emplace(None());
      it->kind = Kind::kGroup;
      it->name = std::string_view(name, static_cast<size_t>(close - name));
    } else if (!IsLineEnd(first)) {
      const char* equals = Until(p, end, kEndOfLine | kEquals);
      const char* keyEnd = equals;
      const char* value = equals;
      if (equals < end && *equals == '=') {
        value = equals + 1;
        eol = Until(value, end, kEndOfLine);
        while (value < eol && IsBlank(*value)) ++value;
      } else {
        eol = equals;
      }
      while (keyEnd > p && IsBlank(keyEnd[-1])) --keyEnd;
      LineIt it = gPref.lines.emplace(None());
      it->kind = Kind::kKey;
      it->name = std::string_view(p, static_cast<size_t>(keyEnd - p));
      it->value = std::string_view(value, static_cast<size_t>(eol - value));
    }
    p = eol;
    while (p < end && IsLineEnd(*p)) ++p;
  }
}

// Files read in UTF-8 mode in this run. A save that starts them over keeps the mode: written as
// 8-bit text they would lose every character the program's text cannot hold, and the editor that
// wrote them would read the rest wrongly.
std::vector<std::string> gUtf8Files;

bool WasUtf8(std::string_view path) {
  for (const std::string& file : gUtf8Files)
    if (SameName(file, path)) return true;
  return false;
}

void RememberUtf8(const std::string& path) {
  if (!path.empty() && !WasUtf8(path)) gUtf8Files.push_back(path);
}

// Reads the open file into the buffer and the line list. When that fails (no memory, a read
// error) the file stays open with no lines, and is never written back in this run: rewriting it
// from an empty list would throw away content we never saw. False then.
bool Load() {
  int64_t size = gPref.file.Size();
  if (size < 0 || static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max() - 2) {
    gPref.writable = false;
    MarkUnread(gPref.path);
    return false;
  }
  const auto length = static_cast<size_t>(size);
  gPref.buffer.reset(new (std::nothrow) char[length + 2]);
  if (gPref.buffer == nullptr || !gPref.file.ReadAll(gPref.buffer.get(), length)) {
    gPref.buffer.reset();
    gPref.writable = false;
    MarkUnread(gPref.path);
    return false;
  }
  char* data = gPref.buffer.get();
  data[length] = '\0';
  data[length + 1] = '\0';
  const char* begin = data;
  if (length >= 3 && std::memcmp(data, kByteOrderMark, 3) == 0) {
    gPref.utf8 = true;
    begin += 3;
    RememberUtf8(gPref.path);
  }
  try {
    Parse(begin, data + length);
  } catch (const std::bad_alloc&) {
    gPref.lines.clear();
    gPref.writable = false;
    MarkUnread(gPref.path);
    return false;
  }
  return true;
}

void Append(char*& out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  out += text.size();
}

bool WriteBack() {
  Module& m = gPref;
  if (m.path.empty() || IsUnread(m.path)) return false;
  if (!m.file.IsOpen()) {
    // After a failed Open, or a Create of a file that did not exist: it may have appeared since,
    // and then it must be writable for us (and kept from other writers) like any other.
    if (Failed(storage::OpenForUpdate(m.path.c_str(), &m.file))) return false;
  }
  size_t total = m.utf8 ? 5 : 0;
  for (const Line& line : m.lines) {
    switch (line.kind) {
      case Kind::kGroup: total += line.name.size() + 4; break;
      case Kind::kComment: total += line.name.size() + 4; break;
      case Kind::kKey: total += line.name.size() + 3 + line.value.size() + 2; break;
    }
  }
  std::unique_ptr<char[]> text(new (std::nothrow) char[total + 1]);
  if (text == nullptr) return false;
  char* out = text.get();
  if (m.utf8) Append(out, "\xEF\xBB\xBF\r\n");
  for (const Line& line : m.lines) {
    switch (line.kind) {
      case Kind::kGroup:
        Append(out, "[");
        Append(out, line.name);
        Append(out, "]\r\n");
        break;
      case Kind::kComment:
        Append(out, "; ");
        Append(out, line.name);
        Append(out, "\r\n");
        break;
      case Kind::kKey:
        Append(out, line.name);
        Append(out, " = ");
        Append(out, line.value);
        Append(out, "\r\n");
        break;
    }
  }
  return storage::ReplaceContent(m.path.c_str(), text.get(), total, &m.file);
}

enum class Attempt { kOpened, kMissing, kUnreadable, kBusy };

// Read and write if possible, else read only.
Attempt TryOpen(const std::string& path) {
  Module& m = gPref;
  const storage::OpenStatus update = storage::OpenForUpdate(path.c_str(), &m.file);
  if (update == storage::OpenStatus::kOpened) {
    m.writable = true;
    return Attempt::kOpened;
  }
  const storage::OpenStatus read = storage::OpenForReading(path.c_str(), &m.file);
  if (read == storage::OpenStatus::kOpened) {
    m.writable = false;
    return Attempt::kOpened;
  }
  if (update == storage::OpenStatus::kBusy || read == storage::OpenStatus::kBusy) return Attempt::kBusy;
  return read == storage::OpenStatus::kMissing ? Attempt::kMissing : Attempt::kUnreadable;
}

}  // namespace

int Open(const char* path) {
  Close();
  Module& m = gPref;
  m.path = Arg(path);
  m.active = true;
  Attempt attempt = TryOpen(m.path);
  // A file already given up on is not waited for again.
  for (int tries = 1; attempt == Attempt::kBusy && tries < kBusyTries && !IsUnread(m.path); ++tries) {
    storage::PauseMilliseconds(kBusyPauseMs);
    attempt = TryOpen(m.path);
  }
  if (attempt == Attempt::kMissing && !m.path.empty()) {
    // The replace by rename is two steps on FAT: a pull between them leaves only the copy, which
    // is complete because the old file goes only after the copy was flushed.
    if (storage::AdoptTemporary(m.path.c_str())) {
      attempt = TryOpen(m.path);
    } else {
      const storage::OpenStatus copy =
          storage::OpenForReading(storage::TemporaryPathFor(m.path.c_str()).c_str(), &m.file);
      if (copy == storage::OpenStatus::kOpened) {
        // A stick that cannot rename cannot save either; the content is still the latest.
        m.writable = false;
        attempt = Attempt::kOpened;
      } else if (copy != storage::OpenStatus::kMissing) {
        // The latest content is there but out of reach: a new file would bury it.
        attempt = Attempt::kUnreadable;
      }
    }
  }
  if (attempt == Attempt::kMissing) {
    // Remembered, so that writes made anyway create the file at Close.
    m.writable = true;
    return 0;
  }
  if (attempt != Attempt::kOpened) {
    MarkUnread(m.path);
    m.writable = false;
    return 0;
  }
  // A copy beside a file that is still there is a write that never finished. Only while we keep
  // other writers out, so that another launcher's save in progress is left alone.
  if (m.writable) storage::DiscardTemporary(m.path.c_str());
  // A file that opened but could not be read holds lines we never saw: to a caller that removes
  // or reads a group, that is a failure, not an empty file.
  const bool read = Load();
  if (IsUnread(m.path)) m.writable = false;
  return read ? 1 : 0;
}

bool Unreadable(const char* path) { return IsUnread(Arg(path)); }

int Create(const char* path) {
  Close();
  std::string_view target = Arg(path);
  if (target.empty() || IsUnread(target)) return 0;
  Module& m = gPref;
  m.path = target;
  // The old content stays on disk until Close replaces it, so a run that dies before then loses
  // nothing. Whether Close will be able to replace it is found out now.
  if (Failed(storage::OpenForUpdate(m.path.c_str(), &m.file)) || !storage::CanCreateBeside(m.path.c_str())) {
    m.file.Close();
    m.path.clear();
    return 0;
  }
  m.active = true;
  m.writable = true;
  m.modified = true;
  m.indexBuilt = true;
  m.utf8 = WasUtf8(m.path);
  return 1;
}

int Close() {
  Module& m = gPref;
  bool saved = true;
  if (m.active && m.modified) {
    saved = false;
    if (m.writable) {
      try {
        saved = WriteBack();
      } catch (const std::bad_alloc&) {
        // The file stays as it was.
      }
    }
  }
  m.file.Close();
  m.index.clear();
  m.indexBuilt = false;
  m.lines.clear();
  m.buffer.reset();
  m.path.clear();
  m.pendingName.clear();
  m.hasPending = false;
  m.currentGroup = m.currentLine = None();
  m.active = m.writable = m.modified = m.utf8 = false;
  return saved ? 1 : 0;
}

void Abandon() {
  gPref.modified = gPref.writable = gPref.active = false;
}

bool IsOpen() { return gPref.active; }

int RewindGroups() {
  gPref.currentGroup = gPref.currentLine = None();
  gPref.hasPending = false;
  gPref.pendingName.clear();
  return gPref.active ? 1 : 0;
}

int NextGroup() {
  LineIt it = gPref.currentGroup == None() ? gPref.lines.begin() : std::next(gPref.currentGroup);
  while (it != None() && it->kind != Kind::kGroup) ++it;
  if (it == None()) return 0;
  gPref.currentGroup = gPref.currentLine = it;
  gPref.hasPending = false;
  gPref.pendingName.clear();
  return 1;
}

std::string GroupName() {
  if (gPref.currentGroup == None()) return std::string();
  const std::string_view stored = gPref.currentGroup->name;
  if (!gPref.utf8) return std::string(stored);
  std::string name;
  if (!FromUtf8(stored, &name)) {
    KeepName(name, stored);
  } else if (AnyKept()) {
    NameReadExactly(name, stored);
  }
  return name;
}

int SelectGroup(const char* name) {
  Module& m = gPref;
  if (!m.active) return 0;
  m.hasPending = false;
  m.pendingName.clear();
  if (Arg(name).empty()) {
    m.currentGroup = m.currentLine = None();
    return 1;
  }
  std::string scratch;
  std::string_view stored = StoredGroupName(name, scratch);
  LineIt header = FindGroup(stored);
  if (header != None()) {
    m.currentGroup = m.currentLine = header;
    return 1;
  }
  m.hasPending = true;
  m.pendingName = stored;
  return 0;
}

std::string ReadString(const char* key, const char* def) {
  const std::string_view* value = FindValue(key);
  if (value == nullptr) return std::string(Arg(def));
  // Blanks are single bytes in either mode, so they go before the conversion.
  std::string_view v = *value;
  while (!v.empty() && IsBlank(v.front())) v.remove_prefix(1);
  while (!v.empty() && IsBlank(v.back())) v.remove_suffix(1);
  if (!gPref.utf8) return std::string(v);
  std::string text;
  if (!FromUtf8(v, &text)) {
    KeepValue(CurrentGroupName(), Arg(key), text, v);
  } else if (AnyKept()) {
    ForgetValue(CurrentGroupName(), Arg(key));
  }
  return text;
}

int32_t ReadInt(const char* key, int32_t def) {
  const std::string_view* value = FindValue(key);
  if (value == nullptr) return def;
  // As atoi reads it, except that a number beyond the 32-bit range stops at its limit instead of
  // being undefined.
  std::string_view v = *value;
  size_t i = 0;
  while (i < v.size() && (IsBlank(v[i]) || v[i] == '\n' || v[i] == '\r' || v[i] == '\v' || v[i] == '\f')) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  int64_t magnitude = 0;
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : std::numeric_limits<int32_t>::max();
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (v[i] - '0');
    if (magnitude > limit) magnitude = limit;
  }
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

void WriteString(const char* key, const char* value) {
  Module& m = gPref;
  if (!m.active) return;
  AppendPendingGroup();
  std::string keyScratch, valueScratch;
  std::string_view storedKey = Stored(key, keyScratch);
  std::string_view storedValue = StoredValue(key, value, valueScratch);
  KeySearch found = FindKey(storedKey);
  LineIt line = found.line;
  if (line != None()) {
    SetTexts(*line, storedKey, storedValue);
  } else {
    line = InsertLine(found.sectionEnd, Kind::kKey, storedKey, storedValue);
  }
  m.currentLine = line;
  m.modified = true;
}

void WriteInt(const char* key, int32_t value) { WriteString(key, std::to_string(value).c_str()); }

void WriteComment(const char* text) {
  Module& m = gPref;
  if (!m.active) return;
  AppendPendingGroup();
  std::string scratch;
  LineIt before = m.currentLine == None() ? m.lines.begin() : std::next(m.currentLine);
  m.currentLine = InsertLine(before, Kind::kComment, Stored(text, scratch), {});
  m.modified = true;
}

void RemoveGroup(const char* name) {
  Module& m = gPref;
  if (!m.active) return;
  // Converted like every other name, so that a group whose name has umlauts can be removed from a
  // UTF-8 file too.
  std::string scratch;
  std::string_view stored = StoredGroupName(name, scratch);
  BuildIndex();
  auto entry = m.index.find(stored);
  if (entry == m.index.end()) return;
  LineIt it = entry->second.first;
  // Of groups whose names differ only in case, the one named exactly goes: each is an entry of its
  // own to the reader, and removing the second must not take the first.
  if (entry->second.count > 1 && it->name != stored) {
    for (LineIt later = std::next(it); later != None(); ++later) {
      if (later->kind == Kind::kGroup && later->name == stored) {
        it = later;
        break;
      }
    }
  }
  const bool first = it == entry->second.first;
  const size_t others = entry->second.count - 1;
  // The key views the header's text, so it goes before the header does.
  if (first) {
    m.index.erase(entry);
  } else {
    entry->second.count = others;
  }
  do {
    if (it == m.currentGroup) m.currentGroup = None();
    if (it == m.currentLine) m.currentLine = None();
    it = m.lines.erase(it);
  } while (it != None() && it->kind != Kind::kGroup);
  if (first && others > 0) {
    // Only a header after the removed one can carry the same name.
    for (; it != None(); ++it) {
      if (it->kind == Kind::kGroup && SameName(it->name, stored)) {
        m.index.emplace(it->name, GroupEntry{it, others});
        break;
      }
    }
  }
  m.modified = true;
}

}  // namespace preference
