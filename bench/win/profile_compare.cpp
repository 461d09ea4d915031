// Reading a 10,000-group catalogue three ways under Wine: through the
// launcher's own preference module (the file part of the catalogue load),
// through the whole catalogue load (icons resolved as well), and through the
// platform's profile-string calls, the way most programs read such files.
// Prints the medians and "RESULT profile ..." for bench/report.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/catalogue_store.h"
#include "settings/settings.h"
#include "storage/preference_file.h"

namespace {

double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

size_t ReadWithPreferenceModule(const std::string& path) {
  size_t n = 0;
  if (!preference::Open(path.c_str())) return 0;
  preference::RewindGroups();
  while (preference::NextGroup()) {
    std::string name = preference::GroupName();
    std::string file = preference::ReadString("Datei", "");
    std::string icon = preference::ReadString("Icon", "");
    n += !name.empty() && !file.empty() && !icon.empty();
  }
  preference::Close();
  return n;
}

size_t ReadWithProfileCalls(const std::string& path) {
  std::vector<char> names(1 << 20);
  DWORD len = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), path.c_str());
  size_t n = 0;
  char file[MAX_PATH], icon[MAX_PATH];
  for (const char* p = names.data(); p < names.data() + len && *p; p += std::strlen(p) + 1) {
    GetPrivateProfileStringA(p, "Datei", "", file, MAX_PATH, path.c_str());
    GetPrivateProfileStringA(p, "Icon", "", icon, MAX_PATH, path.c_str());
    n += file[0] && icon[0];
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  int groups = argc > 1 ? std::atoi(argv[1]) : 10000;
  int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string dir = std::string(temp) + "trovanto-profile-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  std::string path = dir + "applications.dat";
  {
    std::string text;
    for (int i = 0; i < groups; ++i) {
      std::string p = "\\applications\\program" + std::to_string(i) + "\\program" + std::to_string(i) + ".exe";
      text += "[Program " + std::to_string(i) + "]\r\nDatei = " + p + "\r\nIcon = " + p + "\r\n";
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 1;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  settings::gSettings.StartDirectory = dir;
  settings::gSettings.ProgramDrive = dir.substr(0, 2);

  std::vector<double> own, load, profile;
  size_t a = 0, b = 0, c = 0;
  for (int r = 0; r < runs; ++r) {
    double t0 = Now();
    a = ReadWithPreferenceModule(path);
    double t1 = Now();
    catalogue::gCatalogue.Clear();
    catalogue::LoadCatalogue();
    b = static_cast<size_t>(catalogue::gCatalogue.Count());
    double t2 = Now();
    c = ReadWithProfileCalls(path);
    double t3 = Now();
    own.push_back(t1 - t0);
    load.push_back(t2 - t1);
    profile.push_back(t3 - t2);
  }
  DeleteFileA(path.c_str());
  RemoveDirectoryA(dir.c_str());
  if (a != static_cast<size_t>(groups) || b != static_cast<size_t>(groups) || c != static_cast<size_t>(groups)) {
    std::printf("entries read: own %zu, load %zu, profile %zu of %d\n", a, b, c, groups);
    return 1;
  }
  double o = Median(own), l = Median(load), p = Median(profile);
  std::printf("%d groups: preference module %.1f ms, LoadCatalogue %.1f ms, profile calls %.1f ms\n", groups, o, l,
              p);
  std::printf("RESULT profile groups=%d own_ms=%.1f load_ms=%.1f profile_ms=%.1f ratio_own=%.4f ratio_load=%.4f\n",
              groups, o, l, p, o / p, l / p);
  return 0;
}
