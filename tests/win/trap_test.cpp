// The error trap, seen from outside: a program that faults shows one message
// with the recorded line and the fault's description and, once the message
// is dismissed, ends with exit code 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "app/error_text.h"
#include "storage/line_counter.h"

namespace {

std::string ExeDir() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of("\\/") + 1);
}

struct Found {
  DWORD pid;
  HWND box;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
  auto* f = reinterpret_cast<Found*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char cls[64], title[64];
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, title, sizeof title);
  if (pid == f->pid && std::string(cls) == "#32770" && std::string(title) == "Trovanto v1.0" && IsWindowVisible(hwnd)) {
    f->box = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Runs the fault program (with `extra` as its third argument); *message
// receives the trap's text. The line the program expects is -1 when only the
// test knows where the fault lies.
void RunFaulting(const char* mode, DWORD expectedCode, const std::string& extra = "",
                 std::string* message = nullptr) {
  std::string dir = ExeDir();
  std::string lineFile = dir + "fault_line_" + mode + ".txt";
  DeleteFileA(lineFile.c_str());
  std::string cmd = "\"" + dir + "fault_program.exe\" " + mode + " \"" + lineFile + "\"";
  if (!extra.empty()) cmd += " \"" + extra + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::string mutableCmd = cmd;
  ASSERT_TRUE(CreateProcessA(nullptr, &mutableCmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi));

  Found f = {pi.dwProcessId, nullptr};
  for (int i = 0; i < 200 && !f.box; ++i) {
    Sleep(50);
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&f));
  }
  ASSERT_NE(f.box, nullptr) << "no error message appeared";
  char text[512] = {};
  GetDlgItemTextA(f.box, 0xFFFF, text, sizeof text);

  int expectedLine = -2;
  std::ifstream(lineFile) >> expectedLine;
  if (message) *message = text;
  if (expectedLine != -1) {
    EXPECT_EQ(std::string(text), app::ErrorMessageText(expectedLine, expectedCode));
    EXPECT_GT(expectedLine, 0);
  }

  // Still waiting for the user: the process has not ended yet.
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 200), static_cast<DWORD>(WAIT_TIMEOUT));
  PostMessageA(f.box, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

// Each row: where the program faults and how; the trap's message needs stack
// of its own after an overflow.
TEST(ErrorTrap, FaultsOnEitherThreadReportTheirLineAndExitWithZero) {
  const struct {
    const char* mode;
    DWORD code;
  } kCases[] = {
      {"main", 0xC0000005u},
      {"timer", 0xC0000005u},
      {"main-overflow", 0xC00000FDu},
      {"timer-overflow", 0xC00000FDu},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.mode);
    RunFaulting(c.mode, c.code);
  }
}

TEST(ErrorTrap, AFileHalfRebuiltWhenTheFaultStrikesKeepsItsOldContent) {
  const std::string file = ExeDir() + "fault_saving.dat";
  const std::string old = "[Alpha]\r\nDatei=\\Apps\\Alpha.exe\r\nIcon=\r\n";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << old;
  }
  RunFaulting("saving", 0xC0000005u, file);
  std::ifstream in(file, std::ios::binary);
  std::string now((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(now, old);
  in.close();
  DeleteFileA(file.c_str());
}

TEST(ErrorTrap, FaultInASettingsDialogHandlerReportsALineOfThatFile) {
  std::string message;
  ASSERT_NO_FATAL_FAILURE(RunFaulting("settings", 0xC0000005u, "", &message));
  int line = -1;
  ASSERT_EQ(std::sscanf(message.c_str(), "Zeile %d:", &line), 1) << message;
  EXPECT_EQ(message, app::ErrorMessageText(line, 0xC0000005u));
  ASSERT_EQ(line - line % storage::kLinesPerFile, storage::kLinesSettingsDialog) << line;
  // The number names a marked step of the dialog's source.
  std::ifstream source(std::string("Z:") + TROVANTO_TEST_DATA + "/../../settings/settings_dialog.cpp");
  std::string text;
  for (int i = 0; i < line % storage::kLinesPerFile && std::getline(source, text); ++i) {
  }
  EXPECT_NE(text.find("MARK_LINE()"), std::string::npos) << "line " << line % storage::kLinesPerFile << ": " << text;
}

}  // namespace
