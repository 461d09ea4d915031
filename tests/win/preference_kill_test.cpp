// A save ended by TerminateProcess at any moment leaves the old content or
// the new one, never an empty or partial file: the atomic replace as the
// platform itself sees it.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

std::string ExeDir() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of("\\/") + 1);
}

std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

HANDLE StartSaver(const std::string& target, const char* count) {
  std::string cmd = "\"" + ExeDir() + "pref_save_loop.exe\" \"" + target + "\" " + count;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

TEST(PreferenceFileKill, TerminatedSaveLeavesOldOrNewContent) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string dir = std::string(temp) + "trovanto-kill-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(dir.c_str(), nullptr);

  // The saver is the one source of both contents: one save gives A, two B.
  std::string contents[2];
  for (int saves = 1; saves <= 2; ++saves) {
    std::string path = dir + "reference" + std::to_string(saves);
    HANDLE p = StartSaver(path, saves == 1 ? "1" : "2");
    ASSERT_NE(p, nullptr);
    WaitForSingleObject(p, 30000);
    CloseHandle(p);
    contents[saves - 1] = Get(path);
  }
  ASSERT_FALSE(contents[0].empty());
  ASSERT_NE(contents[0].size(), contents[1].size());

  std::string target = dir + "applications.dat";
  const std::string initial = "[Alt]\r\nDatei = alt.exe\r\n";
  std::ofstream(target, std::ios::binary) << initial;
  unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayMs(0, 150);
  int kills = 0, saves = 0;
  for (DWORD start = GetTickCount(); kills < 60 && GetTickCount() - start < 15000; ++kills) {
    HANDLE p = StartSaver(target, "1000000");
    ASSERT_NE(p, nullptr);
    Sleep(static_cast<DWORD>(delayMs(random)));
    TerminateProcess(p, 9);
    WaitForSingleObject(p, 10000);
    CloseHandle(p);
    std::string now = Get(target);
    if (now == contents[0] || now == contents[1]) {
      ++saves;
    } else if (now != initial) {
      ADD_FAILURE() << "kill " << kills << " left " << now.size() << " bytes that are neither old nor new";
      break;
    }
  }
  EXPECT_GE(kills, 20);
  EXPECT_GT(saves, 0) << "every kill came before the first save";
  DeleteFileA(target.c_str());
  DeleteFileA((target + ".tmp").c_str());
  DeleteFileA((dir + "reference1").c_str());
  DeleteFileA((dir + "reference2").c_str());
  RemoveDirectoryA(dir.c_str());
}

}  // namespace
