#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/last_error.h"
#include "platform/posix/folder_listing.h"
#include "platform/posix/prefix.h"

namespace platform {
namespace {

void SetErrno(int error, const std::string& hostPath = {}) {
  SetLastError(posix::ErrorFromErrno(error, hostPath));
}

class PosixFile : public NativeFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  bool Read(void* buffer, std::uint32_t n, std::uint32_t* got) override {
    ssize_t r;
    do {
      r = ::read(fd_, buffer, n);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
      SetErrno(errno);
      return false;
    }
    *got = static_cast<std::uint32_t>(r);
    return true;
  }

  bool Write(const void* buffer, std::uint32_t n) override {
    const char* p = static_cast<const char*>(buffer);
    while (n > 0) {
      ssize_t r = ::write(fd_, p, n);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) {
        SetErrno(r < 0 ? errno : ENOSPC);
        return false;
      }
      p += r;
      n -= static_cast<std::uint32_t>(r);
    }
    return true;
  }

  bool Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) override {
    int whence = origin == SeekOrigin::kBegin ? SEEK_SET : origin == SeekOrigin::kCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (r < 0) {
      SetErrno(errno);
      return false;
    }
    *position = static_cast<std::uint64_t>(r);
    return true;
  }

  bool Close() override {
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
      SetErrno(errno);
      return false;
    }
    return true;
  }

 private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<NativeFile> Open(const std::string& path, OpenMode mode) override {
    std::string host = posix::HostPath(path);
    int flags = mode == OpenMode::kRead ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
    int fd = ::open(host.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
      SetErrno(errno, host);
      return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      // Windows refuses to open a folder as a file.
      ::close(fd);
      SetLastError(kErrorAccessDenied);
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
  }

  std::unique_ptr<FolderSearch> FindFirst(const std::string& pattern, FindData* data) override {
    return posix::FindFirst(pattern, data);
  }

  bool CreateFolder(const std::string& path) override {
    std::string host = posix::HostPath(path);
    if (::mkdir(host.c_str(), 0777) != 0) {
      SetErrno(errno, host);
      return false;
    }
    return true;
  }

  bool FolderExists(const std::string& path) override {
    struct stat st;
    return ::stat(posix::HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool DeleteFile(const std::string& path) override {
    std::string host = posix::HostPath(path);
    struct stat st;
    // Windows removes no folder this way.
    if (::lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      SetLastError(kErrorAccessDenied);
      return false;
    }
    if (::unlink(host.c_str()) != 0) {
      SetErrno(errno, host);
      return false;
    }
    return true;
  }

  bool CopyFile(const std::string& from, const std::string& to) override {
    std::unique_ptr<NativeFile> source = Open(from, OpenMode::kRead);
    if (!source) return false;
    std::unique_ptr<NativeFile> target = Open(to, OpenMode::kCreateWrite);
    if (!target) return false;
    char buffer[64 * 1024];
    for (;;) {
      std::uint32_t got = 0;
      if (!source->Read(buffer, sizeof buffer, &got)) return false;
      if (got == 0) break;
      if (!target->Write(buffer, got)) return false;
    }
    return target->Close();
  }
};

}  // namespace

FileSystem& SystemFiles() {
  static PosixFileSystem files;
  return files;
}

}  // namespace platform
