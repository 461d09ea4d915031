// Started by the launch tests: appends "command line <TAB> current directory"
// to the log named by TROVANTO_RECORD_LOG, or to record_start.log beside
// this program, so the tests can see how it was started.
#include <windows.h>

#include <string>

namespace {

std::string LogPath() {
  char buffer[MAX_PATH * 4];
  DWORD length = GetEnvironmentVariableA("TROVANTO_RECORD_LOG", buffer, sizeof buffer);
  if (length > 0 && length < sizeof buffer) return std::string(buffer, length);
  length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return "record_start.log";
  std::string path(buffer, length);
  return path.substr(0, path.rfind('\\') + 1) + "record_start.log";
}

}  // namespace

int main() {
  char directory[MAX_PATH * 4];
  const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
  std::string line = GetCommandLineA();
  line += '\t';
  line.append(directory, length < sizeof directory ? length : 0);
  line += "\r\n";

  // Shared writing lets overlapping starts each append their own line.
  HANDLE log = CreateFileA(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(log);
  return 0;
}
