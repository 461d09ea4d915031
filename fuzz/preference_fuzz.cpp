// Any bytes as a preference file, as they are and once more behind the UTF-8 mark: open, walk every
// group, read, change, write back and read the result again. Then start the file over with what was
// read, as the catalogue's save does, and check that it reads back the same.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "storage/preference_file.h"

namespace {

const std::string& FilePath() {
  static const std::string path = [] {
    char pattern[] = "/tmp/trovanto-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) abort();
    return std::string(pattern) + "/fuzz.dat";
  }();
  return path;
}

std::vector<std::string> WalkGroups() {
  std::vector<std::string> names;
  preference::RewindGroups();
  while (preference::NextGroup()) {
    names.push_back(preference::GroupName());
    preference::ReadString("Datei", "");
    preference::ReadString("Icon", nullptr);
    preference::ReadInt("Schriftgr\xF6sse", -1);
  }
  return names;
}

struct Read {
  std::string name, file;
};

std::vector<Read> ReadAll() {
  std::vector<Read> groups;
  preference::RewindGroups();
  while (preference::NextGroup()) groups.push_back({preference::GroupName(), preference::ReadString("Datei", "")});
  return groups;
}

// Names equal in the letter case the program folds would share one group once written.
std::string Folded(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) c = static_cast<char>(b + 32);
    if (b == 0x8A || b == 0x8C || b == 0x8E) c = static_cast<char>(b + 16);
    if (b == 0x9F) c = static_cast<char>(0xFF);
  }
  return out;
}

void WriteInput(const std::string& path, const std::string& prefix, const uint8_t* data, size_t size) {
  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) abort();
  if (!prefix.empty() && fwrite(prefix.data(), 1, prefix.size(), out) != prefix.size()) abort();
  if (size > 0 && fwrite(data, 1, size, out) != size) abort();
  fclose(out);
}

void StartOverWithWhatWasRead(const std::string& path) {
  if (preference::Open(path.c_str()) != 1) abort();
  std::vector<Read> groups = ReadAll();
  preference::Close();
  std::vector<Read> kept;
  std::set<std::string> names;
  for (const Read& g : groups) {
    // A text with a zero byte cannot be handed back, and an empty name is the global section.
    if (g.name.empty() || g.name.find('\0') != std::string::npos || g.file.find('\0') != std::string::npos) continue;
    if (!names.insert(Folded(g.name)).second) continue;
    kept.push_back(g);
  }
  if (preference::Create(path.c_str()) != 1) abort();
  for (const Read& g : kept) {
    preference::SelectGroup(g.name.c_str());
    preference::WriteString("Datei", g.file.c_str());
  }
  preference::Close();
  if (preference::Open(path.c_str()) != 1) abort();
  std::vector<Read> again = ReadAll();
  preference::Close();
  if (again.size() != kept.size()) abort();
  for (size_t i = 0; i < kept.size(); ++i)
    if (again[i].name != kept[i].name || again[i].file != kept[i].file) abort();
}

void OnePass(const std::string& prefix, const uint8_t* data, size_t size) {
  const std::string& path = FilePath();
  WriteInput(path, prefix, data, size);

  if (preference::Open(path.c_str()) != 1) abort();
  std::vector<std::string> groups = WalkGroups();
  std::string first = groups.empty() ? std::string() : groups.front();
  preference::SelectGroup(first.c_str());
  preference::WriteComment("fuzz \xE4");
  preference::WriteString("Datei", "\\applications\\\xF6.exe");
  preference::WriteInt("Style", -7);
  if (groups.size() > 1) preference::RemoveGroup(groups[1].c_str());
  preference::SelectGroup("Neu");
  preference::WriteString("k", "v");
  preference::Close();

  if (preference::Open(path.c_str()) != 1) abort();
  WalkGroups();
  if (preference::SelectGroup("Neu") != 1 || preference::ReadString("k", "") != "v") abort();
  preference::Close();

  WriteInput(path, prefix, data, size);
  StartOverWithWhatWasRead(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  OnePass("", data, size);
  OnePass("\xEF\xBB\xBF", data, size);
  return 0;
}
