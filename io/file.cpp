#include "io/file.h"

#include <algorithm>
#include <cstring>

#include "platform/last_error.h"

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
// A file being written keeps its last bytes in memory after writing them
// out: the snapshot writers fill in an offset when the block it points to
// begins, often megabytes after the offset's own block, and a patch that
// still lands in memory costs no system call.
constexpr std::size_t kWriteWindow = 8 * 1024 * 1024;
constexpr std::size_t kRetained = 4 * 1024 * 1024;
constexpr std::size_t kMiddleBuffer = 1024 * 1024;
}

File::~File() {
  if (!native_) return;
  try {
    Close();
  } catch (const FileError&) {
    // A destructor runs while another error passes, or after the owner
    // stopped caring; the first error is the one worth reporting.
  }
}

bool File::Open(const std::string& path, unsigned flags, FileError* error) {
  if (native_) Close();
  path_ = path;
  writing_ = (flags & kModeWrite) != 0;
  platform::OpenMode mode = writing_ ? platform::OpenMode::kCreateWrite : platform::OpenMode::kRead;
  native_ = platform::Files().Open(path, mode);
  if (!native_) {
    if (error) *error = FileError::FromLastError(path);
    return false;
  }
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  bufferStart_ = dirtyStart_ = position_ = nativePosition_ = length_ = 0;
  return true;
}

void File::OpenOrThrow(const std::string& path, unsigned flags) {
  FileError error;
  if (!Open(path, flags, &error)) throw error;
}

void File::ThrowLastError() const { throw FileError::FromLastError(path_); }

void File::ThrowDamaged(const std::string& detail) const {
  throw FileError(FileError::kDamaged, 0, path_, detail);
}

std::uint32_t File::Read(void* buffer, std::uint32_t n) {
  if (!native_ || writing_) {
    platform::SetLastError(platform::kErrorInvalidHandle);
    ThrowLastError();
  }
  char* out = static_cast<char*>(buffer);
  std::uint32_t done = 0;
  while (done < n) {
    std::uint64_t bufferEnd = bufferStart_ + buffer_.size();
    if (position_ >= bufferStart_ && position_ < bufferEnd) {
      std::uint64_t available = bufferEnd - position_;
      std::uint32_t take = static_cast<std::uint32_t>(std::min<std::uint64_t>(available, n - done));
      std::memcpy(out + done, buffer_.data() + (position_ - bufferStart_), take);
      done += take;
      position_ += take;
      continue;
    }
    if (nativePosition_ != position_) {
      std::uint64_t at = 0;
      if (!native_->Seek(static_cast<std::int64_t>(position_), platform::SeekOrigin::kBegin, &at))
        ThrowLastError();
      nativePosition_ = at;
    }
    std::uint32_t want = n - done;
    if (want >= kBufferSize) {
      // A large read goes straight to the caller's memory.
      std::uint32_t got = 0;
      if (!native_->Read(out + done, want, &got)) ThrowLastError();
      nativePosition_ += got;
      position_ += got;
      done += got;
      if (got == 0) break;
      continue;
    }
    buffer_.resize(kBufferSize);
    std::uint32_t got = 0;
    if (!native_->Read(buffer_.data(), kBufferSize, &got)) {
      buffer_.clear();
      ThrowLastError();
    }
    buffer_.resize(got);
    bufferStart_ = position_;
    nativePosition_ = position_ + got;
    if (got == 0) break;
  }
  return done;
}

void File::ReadExactly(void* buffer, std::uint32_t n, const char* what) {
  if (Read(buffer, n) != n) ThrowDamaged(std::string("it ends inside ") + what);
}

void File::Write(const void* buffer, std::uint32_t n) {
  if (!native_ || !writing_) {
    platform::SetLastError(platform::kErrorAccessDenied);
    ThrowLastError();
  }
  const char* in = static_cast<const char*>(buffer);
  if (!buffer_.empty() && position_ + n <= bufferStart_) {
    // Before what memory holds: straight to the file, the window stays.
    WriteOut(position_, in, n);
    position_ += n;
    return;
  }
  std::uint64_t bufferEnd = bufferStart_ + buffer_.size();
  if (!buffer_.empty() && (position_ < bufferStart_ || position_ > bufferEnd)) Flush();
  if (!buffer_.empty() && position_ - bufferStart_ + n > kWriteWindow) {
    // The window never grows past its size: what leaves it is written out,
    // and the latest bytes stay for the patches still to come.
    if (n > kWriteWindow - kRetained) {
      Flush();
    } else {
      WriteDirty();
      std::size_t offset = static_cast<std::size_t>(position_ - bufferStart_);
      std::size_t drop = std::min(buffer_.size() - kRetained, offset);
      buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop));
      bufferStart_ += drop;
    }
  }
  if (buffer_.empty()) {
    bufferStart_ = dirtyStart_ = position_;
    if (n >= kBufferSize) {
      // A large write goes straight to the file.
      WriteOut(position_, in, n);
      position_ += n;
      bufferStart_ = dirtyStart_ = position_;
      return;
    }
  }
  std::size_t offset = static_cast<std::size_t>(position_ - bufferStart_);
  // Grown in two steps, to a megabyte and then to the whole window, which
  // takes large pages: a small file never holds a large page, and a large
  // one copies its buffer twice at most.
  if (offset + n > buffer_.capacity()) buffer_.reserve(offset + n <= kMiddleBuffer ? kMiddleBuffer : kWriteWindow);
  if (offset == buffer_.size()) {
    buffer_.insert(buffer_.end(), in, in + n);
  } else {
    if (offset + n > buffer_.size()) buffer_.resize(offset + n);
    std::memcpy(buffer_.data() + offset, in, n);
  }
  dirtyStart_ = std::min(dirtyStart_, position_);
  position_ += n;
}

void File::WriteOut(std::uint64_t at, const char* bytes, std::size_t n) {
  if (nativePosition_ != at) {
    std::uint64_t reached = 0;
    if (!native_->Seek(static_cast<std::int64_t>(at), platform::SeekOrigin::kBegin, &reached))
      ThrowLastError();
    nativePosition_ = reached;
  }
  if (!native_->Write(bytes, static_cast<std::uint32_t>(n))) ThrowLastError();
  nativePosition_ = at + n;
  length_ = std::max(length_, nativePosition_);
}

void File::WriteDirty() {
  std::uint64_t bufferEnd = bufferStart_ + buffer_.size();
  if (dirtyStart_ >= bufferEnd) return;
  std::uint64_t from = dirtyStart_;
  dirtyStart_ = bufferEnd;
  WriteOut(from, buffer_.data() + (from - bufferStart_), static_cast<std::size_t>(bufferEnd - from));
}

void File::Flush() {
  if (buffer_.empty()) return;
  try {
    WriteDirty();
  } catch (...) {
    buffer_.clear();
    throw;
  }
  bufferStart_ += buffer_.size();
  buffer_.clear();
}

std::uint64_t File::GetLength() {
  if (!native_) {
    platform::SetLastError(platform::kErrorInvalidHandle);
    ThrowLastError();
  }
  if (writing_) return std::max(length_, bufferStart_ + buffer_.size());
  std::uint64_t at = 0;
  if (!native_->Seek(0, platform::SeekOrigin::kEnd, &at)) ThrowLastError();
  nativePosition_ = at;
  return at;
}

std::uint64_t File::Seek(std::int64_t offset, SeekPosition from) {
  if (!native_) {
    platform::SetLastError(platform::kErrorInvalidHandle);
    ThrowLastError();
  }
  std::int64_t base = 0;
  if (from == kCurrent) base = static_cast<std::int64_t>(position_);
  if (from == kEnd) base = static_cast<std::int64_t>(GetLength());
  std::int64_t target = base + offset;
  if (target < 0) {
    platform::SetLastError(platform::kErrorNegativeSeek);
    ThrowLastError();
  }
  position_ = static_cast<std::uint64_t>(target);
  return position_;
}

void File::Close() {
  if (!native_) return;
  try {
    if (writing_) Flush();
  } catch (...) {
    native_->Close();
    native_.reset();
    buffer_.clear();
    throw;
  }
  bool closed = native_->Close();
  native_.reset();
  buffer_.clear();
  if (!closed) ThrowLastError();
}
