// Preference file throughput on a catalogue of 10,000 programs: parsing alone (MB/s) and the
// launcher's load-then-save round.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "storage/preference_file.h"

namespace {

constexpr int kPrograms = 10000;

// Written once, removed when the program ends.
struct Catalogue {
  Catalogue() {
    char pattern[] = "/tmp/trovanto-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) abort();
    dir = pattern;
    path = dir + "/applications.dat";
    std::string text;
    for (int i = 0; i < kPrograms; ++i) {
      const std::string n = std::to_string(i);
      text += "[Program " + n + "]\r\nDatei = \\applications\\p" + n + "\\p" + n + ".exe\r\n";
      text += "Icon = \\applications\\p" + n + "\\p" + n + ".ico\r\n";
    }
    FILE* out = fopen(path.c_str(), "wb");
    if (out == nullptr || fwrite(text.data(), 1, text.size(), out) != text.size()) abort();
    fclose(out);
    bytes = text.size();
  }
  ~Catalogue() {
    std::remove(path.c_str());
    rmdir(dir.c_str());
  }
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  std::string dir;
  std::string path;
  size_t bytes = 0;
};

const Catalogue& TestCatalogue() {
  static const Catalogue catalogue;
  return catalogue;
}

// Open reads and parses the whole file; nothing was changed, so Close writes nothing.
void BM_Parse(benchmark::State& state) {
  const Catalogue& c = TestCatalogue();
  for (auto _ : state) {
    benchmark::DoNotOptimize(preference::Open(c.path.c_str()));
    preference::Close();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.bytes));
}
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond);

// As the catalogue does it: walk every group reading its keys, then write all of it anew.
void BM_LoadAndSave(benchmark::State& state) {
  const Catalogue& c = TestCatalogue();
  std::string names[kPrograms], files[kPrograms], icons[kPrograms];
  for (auto _ : state) {
    int count = 0;
    preference::Open(c.path.c_str());
    preference::RewindGroups();
    while (preference::NextGroup() && count < kPrograms) {
      names[count] = preference::GroupName();
      files[count] = preference::ReadString("Datei", "");
      icons[count] = preference::ReadString("Icon", "");
      ++count;
    }
    preference::Close();
    preference::Create(c.path.c_str());
    for (int i = 0; i < count; ++i) {
      preference::SelectGroup(names[i].c_str());
      preference::WriteString("Datei", files[i].c_str());
      preference::WriteString("Icon", icons[i].c_str());
    }
    preference::Close();
    if (count != kPrograms) state.SkipWithError("catalogue lost groups");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPrograms));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.bytes));
}
BENCHMARK(BM_LoadAndSave)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
