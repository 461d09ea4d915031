// The executable as it leaves the build: marked to be run from the swap file
// when started from a stick or a network share, with the header checksum that
// Windows checks for such images, computed here by the system's own routine.
#include <windows.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ExecutableHeader, RunsFromSwapWithACorrectChecksum) {
  const std::string exe = TROVANTO_LAUNCHER_EXE;
  HANDLE file = CreateFileA(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << exe;
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  const DWORD size = GetFileSize(file, nullptr);

  DWORD stored = 0, computed = 0;
  IMAGE_NT_HEADERS* headers = CheckSumMappedFile(view, size, &stored, &computed);
  ASSERT_NE(headers, nullptr) << "no PE header";
  const WORD flags = headers->FileHeader.Characteristics;
  EXPECT_TRUE(flags & IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP);
  EXPECT_TRUE(flags & IMAGE_FILE_NET_RUN_FROM_SWAP);
  EXPECT_TRUE(flags & IMAGE_FILE_EXECUTABLE_IMAGE);
  EXPECT_NE(stored, 0u);
  EXPECT_EQ(stored, computed);

  UnmapViewOfFile(view);
  CloseHandle(mapping);
  CloseHandle(file);
}

}  // namespace
