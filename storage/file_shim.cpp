#include "storage/file_shim.h"

#include <string>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace storage {
namespace {

// One fixed name per target: a copy left by a killed run is simply taken over by the next save,
// so stale copies never pile up on the stick.
std::string TempPathFor(const char* path) { return std::string(path) + ".tmp"; }

}  // namespace

std::string TemporaryPathFor(const char* path) { return TempPathFor(path); }

SharedFile::SharedFile(SharedFile&& other) noexcept { *this = std::move(other); }

#ifdef _WIN32

namespace {

HANDLE AsHandle(void* h) { return static_cast<HANDLE>(h); }

OpenStatus OpenShared(const char* path, DWORD access, SharedFile* file, void** handle) {
  HANDLE h = CreateFileA(path, access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return OpenStatus::kMissing;
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return OpenStatus::kBusy;
    return OpenStatus::kRefused;
  }
  // "NUL", "CON" and friends open as devices; they are no preference files.
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return OpenStatus::kRefused;
  }
  file->Close();
  *handle = h;
  return OpenStatus::kOpened;
}

bool WriteAllHandle(HANDLE h, const char* data, size_t size) {
  while (size > 0) {
    DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

// A stale copy with the read-only attribute would otherwise block every later save.
HANDLE CreateTemp(const std::string& temp) {
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  return CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

}  // namespace

SharedFile& SharedFile::operator=(SharedFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

bool SharedFile::IsOpen() const { return handle_ != nullptr; }

void SharedFile::Close() {
  if (handle_ != nullptr) CloseHandle(AsHandle(handle_));
  handle_ = nullptr;
}

int64_t SharedFile::Size() const {
  LARGE_INTEGER size;
  if (handle_ == nullptr || !GetFileSizeEx(AsHandle(handle_), &size)) return -1;
  return size.QuadPart;
}

bool SharedFile::ReadAll(char* dest, size_t size) const {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  if (handle_ == nullptr || !SetFilePointerEx(AsHandle(handle_), zero, nullptr, FILE_BEGIN)) return false;
  while (size > 0) {
    DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!ReadFile(AsHandle(handle_), dest, chunk, &got, nullptr) || got == 0) return false;
    dest += got;
    size -= got;
  }
  return true;
}

OpenStatus OpenForUpdate(const char* path, SharedFile* file) {
  OpenStatus status = OpenShared(path, GENERIC_READ | GENERIC_WRITE, file, &file->handle_);
  // Windows refuses write access to a read-only file by itself, but Wine running as root does not.
  BY_HANDLE_FILE_INFORMATION info;
  if (status == OpenStatus::kOpened &&
      (!GetFileInformationByHandle(AsHandle(file->handle_), &info) ||
       (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0)) {
    file->Close();
    status = OpenStatus::kRefused;
  }
  return status;
}

OpenStatus OpenForReading(const char* path, SharedFile* file) {
  return OpenShared(path, GENERIC_READ, file, &file->handle_);
}

bool CanCreateBeside(const char* path) {
  std::string temp = TempPathFor(path);
  HANDLE h = CreateTemp(temp);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  DeleteFileA(temp.c_str());
  return true;
}

// Attributes that belong to the file rather than to one copy of its content; read-only never
// reaches here, since such a file is not opened for update.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool ReplaceContent(const char* path, const char* data, size_t size, SharedFile* held) {
  std::string temp = TempPathFor(path);
  const DWORD old = GetFileAttributesA(path);
  if (old == INVALID_FILE_ATTRIBUTES) {
    HANDLE placeholder =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (placeholder != INVALID_HANDLE_VALUE) CloseHandle(placeholder);
  }
  HANDLE h = CreateTemp(temp);
  if (h == INVALID_HANDLE_VALUE) {
    if (held != nullptr) held->Close();
    return false;
  }
  bool ok = WriteAllHandle(h, data, size) && FlushFileBuffers(h);
  CloseHandle(h);
  if (ok && old != INVALID_FILE_ATTRIBUTES && (old & kKeptAttributes) != 0) {
    SetFileAttributesA(temp.c_str(), old & kKeptAttributes);
  }
  // Our own handle on the target does not share deletion, so the move would fail while it is open.
  if (held != nullptr) held->Close();
  if (ok) {
    ok = MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (!ok) {
    SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(temp.c_str());
  }
  return ok;
}

bool AdoptTemporary(const char* path) {
  const std::string temp = TempPathFor(path);
  const DWORD attributes = GetFileAttributesA(temp.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  // Without MOVEFILE_REPLACE_EXISTING: a target that appeared meanwhile is newer than the copy.
  return MoveFileExA(temp.c_str(), path, MOVEFILE_WRITE_THROUGH) != 0;
}

void DiscardTemporary(const char* path) {
  const std::string temp = TempPathFor(path);
  const DWORD attributes = GetFileAttributesA(temp.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(temp.c_str());
}

void PauseMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }

#else  // POSIX

namespace {

int OpenNoIntr(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

OpenStatus StatusFromErrno() {
  return (errno == ENOENT || errno == ENOTDIR) ? OpenStatus::kMissing : OpenStatus::kRefused;
}

bool WriteAllFd(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Makes the rename itself durable, not only the data it points to.
void SyncFolderOf(const char* path) {
  std::string folder(path);
  size_t slash = folder.find_last_of('/');
  if (slash == std::string::npos) {
    folder = ".";
  } else {
    folder.resize(slash == 0 ? 1 : slash);
  }
  int fd = OpenNoIntr(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

}  // namespace

SharedFile& SharedFile::operator=(SharedFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool SharedFile::IsOpen() const { return fd_ >= 0; }

void SharedFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

int64_t SharedFile::Size() const {
  struct stat st;
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool SharedFile::ReadAll(char* dest, size_t size) const {
  if (fd_ < 0) return false;
  off_t offset = 0;
  while (size > 0) {
    ssize_t n = pread(fd_, dest, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    dest += n;
    offset += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

OpenStatus OpenForUpdate(const char* path, SharedFile* file) {
  // Another writer may replace the file between our open and our lock; then we hold a lock on a
  // file that no longer has the name, so look again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    int fd = OpenNoIntr(path, O_RDWR);
    if (fd < 0) return StatusFromErrno();
    struct stat opened;
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || (opened.st_mode & S_IWUSR) == 0) {
      close(fd);
      return OpenStatus::kRefused;
    }
    // Advisory only: it keeps out other instances of this program, which is what matters.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      close(fd);
      return OpenStatus::kBusy;
    }
    struct stat named;
    if (stat(path, &named) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
      file->Close();
      file->fd_ = fd;
      return OpenStatus::kOpened;
    }
    close(fd);
  }
  return OpenStatus::kRefused;
}

OpenStatus OpenForReading(const char* path, SharedFile* file) {
  int fd = OpenNoIntr(path, O_RDONLY);
  if (fd < 0) return StatusFromErrno();
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return OpenStatus::kRefused;
  }
  file->Close();
  file->fd_ = fd;
  return OpenStatus::kOpened;
}

bool CanCreateBeside(const char* path) {
  std::string temp = TempPathFor(path);
  unlink(temp.c_str());
  int fd = OpenNoIntr(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  close(fd);
  unlink(temp.c_str());
  return true;
}

bool ReplaceContent(const char* path, const char* data, size_t size, SharedFile* held) {
  std::string temp = TempPathFor(path);
  struct stat target;
  bool keepMode = stat(path, &target) == 0 && S_ISREG(target.st_mode);
  if (!keepMode) {
    int placeholder = OpenNoIntr(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (placeholder >= 0) close(placeholder);
  }
  // Unlinking first takes over a stale copy whatever its mode, and O_EXCL never follows a link
  // planted under the temporary name.
  unlink(temp.c_str());
  int fd = OpenNoIntr(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  bool ok = fd >= 0;
  if (ok) {
    if (keepMode && fchmod(fd, target.st_mode & 07777) != 0) {
      // The umask's default mode will do.
    }
    ok = WriteAllFd(fd, data, size) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), path) == 0;
    if (!ok) unlink(temp.c_str());
  }
  if (ok) SyncFolderOf(path);
  // Held until now so that no other instance slips in between; the lock was on the old file.
  if (held != nullptr) held->Close();
  return ok;
}

bool AdoptTemporary(const char* path) {
  const std::string temp = TempPathFor(path);
  struct stat st;
  if (lstat(temp.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // link() never replaces: a target that appeared meanwhile is newer than the copy.
  if (link(temp.c_str(), path) != 0) return false;
  unlink(temp.c_str());
  SyncFolderOf(path);
  return true;
}

void DiscardTemporary(const char* path) {
  const std::string temp = TempPathFor(path);
  struct stat st;
  if (lstat(temp.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) unlink(temp.c_str());
}

void PauseMilliseconds(unsigned milliseconds) {
  timespec wait{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

#endif

}  // namespace storage
