#include "storage/launch.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using storage::StartProgram;

// One line of record_start's log: how it was started.
struct Record {
  std::string commandLine;
  std::string directory;
};

std::string Comparable(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  CharUpperBuffA(path.data(), static_cast<DWORD>(path.size()));
  return path;
}

std::vector<std::string> Arguments(const std::string& commandLine) {
  std::wstring wide(commandLine.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, commandLine.data(),
                                                      static_cast<int>(commandLine.size()),
                                                      wide.data(), static_cast<int>(wide.size()))));
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(wide.c_str(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; list != nullptr && i < count; ++i) {
    char buffer[1024];
    const int n = WideCharToMultiByte(CP_ACP, 0, list[i], -1, buffer, sizeof buffer, nullptr, nullptr);
    arguments.emplace_back(buffer, n > 0 ? static_cast<size_t>(n - 1) : 0);
  }
  LocalFree(list);
  return arguments;
}

class LaunchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    base_ = std::string(temp) + "trovanto launch " + std::to_string(GetCurrentProcessId());
    programs_ = base_ + "\\program folder";
    documents_ = base_ + "\\document folder";
    current_ = base_ + "\\current folder";
    log_ = base_ + "\\record.log";
    for (const auto& folder : {base_, programs_, documents_, current_}) CreateDirectoryA(folder.c_str(), nullptr);

    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string testFolder = std::string(self, length).substr(0, std::string(self, length).rfind('\\') + 1);
    recorder_ = programs_ + "\\record_start.exe";
    copied_ = CopyFileA((testFolder + "record_start.exe").c_str(), recorder_.c_str(), FALSE) != 0;
    SetEnvironmentVariableA("TROVANTO_RECORD_LOG", log_.c_str());

    // A document type of this test's own, opened by the recorder, shows what
    // the shell was asked to do without depending on an installed editor.
    // Wine does not merge the user's classes into HKEY_CLASSES_ROOT, so the
    // type goes there too when the per-user entry stays invisible.
    RegisterDocumentType(HKEY_CURRENT_USER, "Software\\Classes\\");
    HKEY probe;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kExtension, 0, KEY_READ, &probe) == ERROR_SUCCESS) {
      RegCloseKey(probe);
    } else {
      RegisterDocumentType(HKEY_CLASSES_ROOT, "");
      registeredForAll_ = true;
    }
  }

  static void RegisterDocumentType(HKEY root, const std::string& classes) {
    const std::string command = "\"" + recorder_ + "\" \"%1\"";
    const std::pair<std::string, std::string> values[] = {
        {classes + kExtension, kDocumentClass},
        {classes + kDocumentClass + "\\shell\\open\\command", command},
    };
    for (const auto& [path, value] : values) {
      HKEY key;
      if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        continue;
      RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
      RegCloseKey(key);
    }
  }

  static void UnregisterDocumentType(HKEY root, const std::string& classes) {
    RegDeleteTreeA(root, (classes + kExtension).c_str());
    RegDeleteTreeA(root, (classes + kDocumentClass).c_str());
  }

  static void TearDownTestSuite() {
    UnregisterDocumentType(HKEY_CURRENT_USER, "Software\\Classes\\");
    if (registeredForAll_) UnregisterDocumentType(HKEY_CLASSES_ROOT, "");
    SetEnvironmentVariableA("TROVANTO_RECORD_LOG", nullptr);
    for (const auto& file : {recorder_, log_, documents_ + "\\note.trovantotest"}) DeleteFileA(file.c_str());
    // Wine lets go of a finished child's current directory a moment later.
    for (const auto& folder : {programs_, documents_, current_, base_})
      for (int attempt = 0; attempt < 50 && !RemoveDirectoryA(folder.c_str()); ++attempt) Sleep(100);
  }

  void SetUp() override {
    ASSERT_TRUE(copied_) << "record_start.exe must lie beside the test program";
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    savedCwd_ = cwd;
    SetCurrentDirectoryA(current_.c_str());
    DeleteFileA(log_.c_str());
  }
  void TearDown() override { SetCurrentDirectoryA(savedCwd_.c_str()); }

  static std::vector<Record> Records() {
    std::vector<Record> records;
    HANDLE file = CreateFileA(log_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return records;
    std::string content(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    CloseHandle(file);
    content.resize(read);
    for (size_t start = 0, end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2) {
      const std::string line = content.substr(start, end - start);
      const size_t tab = line.rfind('\t');
      records.push_back({line.substr(0, tab), tab == std::string::npos ? "" : line.substr(tab + 1)});
    }
    return records;
  }

  static constexpr char kExtension[] = ".trovantotest";
  static constexpr char kDocumentClass[] = "Trovanto.TestDocument";
  static inline std::string base_, programs_, documents_, current_, log_, recorder_;
  static inline bool copied_ = false;
  static inline bool registeredForAll_ = false;
  std::string savedCwd_;
};

TEST_F(LaunchTest, ProgramsStartAsProcesses) {
  const std::string quoted = "\"" + recorder_ + "\"";
  struct Case {
    std::string file;
    std::string parameters;
    std::string directory;
    uint32_t flags;
    std::string commandLine;
    std::string runsIn;
    std::vector<std::string> arguments;
  } cases[] = {
      {recorder_, "", "", 0, quoted, current_, {recorder_}},
      {recorder_, "", documents_, 0, quoted, documents_, {recorder_}},
      {quoted, "", "", 0, quoted, current_, {recorder_}},
      {quoted, "alpha", "", 0, quoted + " alpha", current_, {recorder_, "alpha"}},
      // Parameters are passed as they are: blanks split them, quotes group them.
      {recorder_, "one two  \"three four\"", "", 0, quoted + " one two  \"three four\"", current_,
       {recorder_, "one", "two", "three four"}},
      {recorder_, "T:", base_ + "\\", storage::kStartHidden, quoted + " T:", base_, {recorder_, "T:"}},
  };
  for (const auto& c : cases) {
    DeleteFileA(log_.c_str());
    const std::string label = c.file + " | " + c.parameters + " | " + c.directory;
    EXPECT_EQ(StartProgram(c.file.c_str(), c.parameters.c_str(), c.directory.c_str(),
                           c.flags | storage::kStartWait), 1)
        << label;
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u) << label;
    EXPECT_EQ(records[0].commandLine, c.commandLine) << label;
    EXPECT_EQ(Comparable(records[0].directory), Comparable(c.runsIn)) << label;
    EXPECT_EQ(Arguments(records[0].commandLine), c.arguments) << label;
  }
}

TEST_F(LaunchTest, DocumentsOpenThroughTheShell) {
  const std::string document = documents_ + "\\note.trovantotest";
  HANDLE file = CreateFileA(document.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  struct Case {
    std::string directory;
    std::string runsIn;
  } cases[] = {
      // No directory given: the document's own folder.
      {"", documents_},
      {current_, current_},
  };
  for (const auto& c : cases) {
    DeleteFileA(log_.c_str());
    EXPECT_EQ(StartProgram(document.c_str(), "", c.directory.c_str(), storage::kStartWait), 1) << c.directory;
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u) << c.directory;
    EXPECT_EQ(Comparable(records[0].directory), Comparable(c.runsIn)) << c.directory;
    const auto arguments = Arguments(records[0].commandLine);
    ASSERT_EQ(arguments.size(), 2u) << records[0].commandLine;
    EXPECT_EQ(Comparable(arguments[1]), Comparable(document));
  }
}

TEST_F(LaunchTest, MissingTargetsFailSilently) {
  for (const std::string& file : {base_ + "\\missing.exe", "\"" + base_ + "\\missing.exe\"",
                                  base_ + "\\no folder\\note.trovantotest", std::string("no_such_program.exe")}) {
    EXPECT_EQ(StartProgram(file.c_str(), "", "", 0), 0) << file;
    EXPECT_EQ(StartProgram(file.c_str(), "x", base_.c_str(), storage::kStartWait), 0) << file;
  }
  EXPECT_TRUE(Records().empty());
}

// A 64-bit Explorer hands a 32-bit launcher paths into the real system
// folder; without the alias the launcher would look into the 32-bit one.
TEST_F(LaunchTest, SystemFolderProgramsStartFromA32BitProcessOn64BitWindows) {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) GTEST_SKIP() << "not a 32-bit process on 64-bit Windows";
  char windows[MAX_PATH];
  const std::string folder(windows, GetSystemWindowsDirectoryA(windows, MAX_PATH));
  const std::string name = "trovanto_only64_" + std::to_string(GetCurrentProcessId()) + ".exe";
  const std::string native = folder + "\\Sysnative\\" + name;
  const std::string asNamed = folder + "\\SYSTEM32\\" + name;
  ASSERT_TRUE(CopyFileA(recorder_.c_str(), native.c_str(), FALSE)) << native;
  EXPECT_EQ(GetFileAttributesA(asNamed.c_str()), INVALID_FILE_ATTRIBUTES) << "the system folder is not redirected";

  EXPECT_EQ(storage::NativeSystemPath(asNamed), native);
  EXPECT_EQ(storage::NativeSystemPath("\"" + asNamed + "\""), "\"" + native + "\"");
  EXPECT_EQ(storage::NativeSystemPath(folder + "\\System32x\\" + name), folder + "\\System32x\\" + name);
  EXPECT_EQ(storage::NativeSystemPath(recorder_), recorder_);

  EXPECT_EQ(StartProgram(asNamed.c_str(), "", "", storage::kStartWait), 1);
  EXPECT_EQ(Records().size(), 1u);
  DeleteFileA(native.c_str());
}

}  // namespace
