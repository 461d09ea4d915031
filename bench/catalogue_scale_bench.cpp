// Catalogue load and save at 1,000 and 10,000 entries, the way the launcher
// does them: the group walk with lower-casing and path splitting on load, the
// clash check and the group-per-entry rewrite on save. The growth from the
// small to the large catalogue is printed at the end: about 10x is linear,
// anything near 100x means quadratic work crept in.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/text_ops.h"
#include "storage/preference_file.h"

namespace {

constexpr char kDrive[] = "U:";
constexpr int kSmall = 1000;
constexpr int kLarge = 10000;

// A saved catalogue of `entries` programs, each in its own folder, written by
// the preference module itself so that its bytes are what the launcher
// writes. Kept in memory-backed storage when there is one: every save ends in
// a flush to disk, a fixed cost per save that would hide how the work grows.
class CatalogueFile {
 public:
  explicit CatalogueFile(int entries) {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/trovanto-scale-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) abort();
    dir_ = pattern;
    path_ = dir_ + "/applications.dat";
    savePath_ = dir_ + "/saved.dat";
    if (!preference::Create(path_.c_str())) abort();
    for (int i = 0; i < entries; ++i) {
      const std::string n = std::to_string(i);
      const std::string program = "\\Programme\\P" + n + "\\Programm" + n + ".EXE";
      preference::SelectGroup(("Programm " + n).c_str());
      preference::WriteString("Datei", program.c_str());
      preference::WriteString("Icon", program.c_str());
    }
    preference::Close();
    FILE* f = std::fopen(path_.c_str(), "rb");
    if (f == nullptr) abort();
    std::fseek(f, 0, SEEK_END);
    bytes_ = static_cast<size_t>(std::ftell(f));
    std::fclose(f);
  }
  ~CatalogueFile() {
    std::remove(path_.c_str());
    std::remove(savePath_.c_str());
    rmdir(dir_.c_str());
  }
  CatalogueFile(const CatalogueFile&) = delete;
  CatalogueFile& operator=(const CatalogueFile&) = delete;

  const std::string& path() const { return path_; }
  const std::string& savePath() const { return savePath_; }
  size_t bytes() const { return bytes_; }

 private:
  std::string dir_, path_, savePath_;
  size_t bytes_ = 0;
};

const CatalogueFile& FileOf(int entries) {
  static std::map<int, std::unique_ptr<CatalogueFile>> files;
  auto& file = files[entries];
  if (!file) file = std::make_unique<CatalogueFile>(entries);
  return *file;
}

void Load(const std::string& path, catalogue::Catalogue& into) {
  using namespace catalogue;
  into.Clear();
  if (!preference::Open(path.c_str())) return;
  if (preference::RewindGroups()) {
    while (preference::NextGroup()) {
      into.SelectIndex(into.Count());
      AppEntry& entry = into.Add();
      entry.Name = preference::GroupName();
      const std::string program = kDrive + LowerCase1252(preference::ReadString("Datei", ""));
      entry.FileName = FilePart(program);
      entry.Folder = PathPart(program);
      entry.IconFile = kDrive + LowerCase1252(preference::ReadString("Icon", ""));
    }
  }
  preference::Close();
}

void BM_Load(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  const CatalogueFile& file = FileOf(entries);
  catalogue::Catalogue loaded;
  for (auto _ : state) {
    Load(file.path(), loaded);
    benchmark::DoNotOptimize(loaded.Count());
  }
  if (loaded.Count() != entries) state.SkipWithError("entries lost on load");
  state.SetItemsProcessed(state.iterations() * entries);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.bytes()));
}
BENCHMARK(BM_Load)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
  using namespace catalogue;
  const int entries = static_cast<int>(state.range(0));
  const CatalogueFile& file = FileOf(entries);
  Catalogue loaded;
  Load(file.path(), loaded);
  for (auto _ : state) {
    // The add/change dialog refuses twin names before it saves.
    if (!NameClashes(loaded).empty()) state.SkipWithError("unexpected twin names");
    preference::Create(file.savePath().c_str());
    loaded.ForEach([](AppEntry& entry) {
      preference::SelectGroup(entry.Name.c_str());
      preference::WriteString("Datei", RemoveText(entry.Folder + entry.FileName, kDrive).c_str());
      preference::WriteString("Icon", RemoveText(entry.IconFile, kDrive).c_str());
    });
    preference::Close();
  }
  Catalogue reread;
  Load(file.savePath(), reread);
  if (reread.Count() != entries) state.SkipWithError("entries lost on save");
  state.SetItemsProcessed(state.iterations() * entries);
}
BENCHMARK(BM_Save)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);

// Shows the usual table and keeps each run's time per iteration, so that the
// growth can be printed once every size has run.
class GrowthReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Iteration || median) times_[run.run_name.function_name][run.run_name.args] =
          run.GetAdjustedRealTime();
    }
  }

  void PrintGrowth() const {
    const std::string small = std::to_string(kSmall), large = std::to_string(kLarge);
    for (const auto& family : times_) {
      const auto a = family.second.find(small), b = family.second.find(large);
      if (a == family.second.end() || b == family.second.end() || a->second <= 0) continue;
      const double growth = b->second / a->second;
      std::printf("growth %s %s -> %s entries: %.1fx (linear: 10x)\n", family.first.c_str(), small.c_str(),
                  large.c_str(), growth);
      std::printf("RESULT native_growth name=%s growth=%.2f\n", family.first.c_str(), growth);
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  GrowthReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintGrowth();
  benchmark::Shutdown();
  return 0;
}
