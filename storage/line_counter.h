#pragma once
// The line counter read by the error trap: the launcher's own code records
// each significant step before it runs, on both threads, so that a fault
// reports where it happened.
//
// Line numbers repeat across files, so the number recorded is the file's
// base plus the line: bases are 1000 apart and a file with marks stays under
// 1000 lines, so "Zeile 22123" is line 123 of the file whose base is 22000.
// Each such file names its base once, after its includes:
//   TROVANTO_LINE_BASE(storage::kLinesSettingsDialog)
#include <atomic>
#include <cstdint>

namespace storage {

extern std::atomic<int32_t> gLineCounter;

constexpr int32_t kLinesPerFile = 1000;

// The thousands name the subsystem: 1 launcher core, 2 catalogue, 3 settings.
enum LineBase : int32_t {
  kLinesLauncher = 1000,         // app/launcher.cpp
  kLinesMainLoop = 2000,         // app/main_loop.cpp
  kLinesMainWindow = 3000,       // app/main_window.cpp
  kLinesStatusStrip = 4000,      // app/status_strip.cpp
  kLinesDocking = 5000,          // app/docking.cpp
  kLinesCatalogueStore = 11000,  // catalogue/catalogue_store.cpp
  kLinesProgramList = 12000,     // catalogue/program_list.cpp
  kLinesAddChangeDialog = 13000, // catalogue/add_change_dialog.cpp
  kLinesRemoveDialog = 14000,    // catalogue/remove_dialog.cpp
  kLinesSettingsStore = 21000,   // settings/settings_store.cpp
  kLinesSkins = 22000,           // settings/skins.cpp
  kLinesSettingsDialog = 23000,  // settings/settings_dialog.cpp
  kLinesPasswordPrompt = 24000,  // settings/password_prompt.cpp
  kLinesInfoDialog = 25000,      // settings/info_dialog.cpp
  kLinesTestPrograms = 90000,    // programs built only for the tests
};

template <int32_t kBase, int32_t kLine>
inline void MarkLine() {
  static_assert(kLine < kLinesPerFile, "a file with marked lines must stay under 1000 lines");
  gLineCounter.store(kBase + kLine, std::memory_order_relaxed);
}

}  // namespace storage

#define TROVANTO_LINE_BASE(base) \
  namespace {                    \
  constexpr int32_t kLineBase = (base); \
  }
#define MARK_LINE() (::storage::MarkLine<kLineBase, __LINE__>())
