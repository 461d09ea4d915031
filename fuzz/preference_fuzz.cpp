// Any bytes as a preference file: open, walk every group, read, change, write back and read the
// result again. The second pass also checks that what was written back parses to the same groups.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = FilePath();
  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) abort();
  if (size > 0 && fwrite(data, 1, size, out) != size) abort();
  fclose(out);

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
  return 0;
}
