#pragma once
// The few file operations the preference module needs, for Win32 and for POSIX systems, so that the
// module itself stays free of <windows.h> and is tested natively.
#include <cstddef>
#include <cstdint>
#include <string>

namespace storage {

enum class OpenStatus {
  kOpened,
  kMissing,  // neither the file nor its folder exists
  kRefused,  // it exists but cannot be opened this way (read-only, a folder, no permission)
  kBusy,     // another process holds it in a way that excludes us, perhaps only for a moment
};

// One open file; closing is tied to the owner's lifetime.
class SharedFile {
 public:
  SharedFile() = default;
  ~SharedFile() { Close(); }
  SharedFile(SharedFile&& other) noexcept;
  SharedFile& operator=(SharedFile&& other) noexcept;
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;

  bool IsOpen() const;
  void Close();
  // Size in bytes, or -1 when it cannot be taken.
  int64_t Size() const;
  // Reads exactly `size` bytes from the start of the file.
  bool ReadAll(char* dest, size_t size) const;

 private:
  friend OpenStatus OpenForUpdate(const char* path, SharedFile* file);
  friend OpenStatus OpenForReading(const char* path, SharedFile* file);
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// Opens an existing file for reading and writing without cutting it. Other processes may read it
// while it stays open, but not write it. A file without write permission counts as read-only even
// for a POSIX superuser, as the read-only attribute does for a Windows administrator.
OpenStatus OpenForUpdate(const char* path, SharedFile* file);

// Opens an existing file for reading, with the same sharing.
OpenStatus OpenForReading(const char* path, SharedFile* file);

// True when a new file can be made beside `path` (its folder exists and is writable). Leaves nothing
// behind.
bool CanCreateBeside(const char* path);

// Gives `path` the content `data` so that a reader, or a process killed at any moment, sees the old
// content or the new one and never a part: the content goes to a file beside the target, is flushed
// and then renamed over the target. `held` is the caller's own handle on the target (it may be
// closed or null); it is closed here, because Windows will not replace a file we hold open.
// The file's own attributes (hidden, system, archive; the mode bits on POSIX) carry over to the new
// content. A target that did not exist is first created empty, so that a temporary copy beside a
// missing target always holds a complete content: the target only goes after the copy was flushed.
bool ReplaceContent(const char* path, const char* data, size_t size, SharedFile* held);

// The name of the copy that ReplaceContent writes beside `path`.
std::string TemporaryPathFor(const char* path);

// Renames the temporary copy of `path` to `path`, which must not exist; false when there is no copy
// or it cannot be renamed.
bool AdoptTemporary(const char* path);

// Deletes the temporary copy of `path`, if any; a failure is not reported.
void DiscardTemporary(const char* path);

// Lets other processes run for a while before the caller tries again.
void PauseMilliseconds(unsigned milliseconds);

}  // namespace storage
