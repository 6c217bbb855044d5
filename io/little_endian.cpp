#include "io/little_endian.h"

#include "io/file.h"

void WriteU32(File& file, std::uint32_t value) {
  unsigned char bytes[kU32Size];
  PutU32(bytes, value);
  file.Write(bytes, kU32Size);
}

std::uint32_t ReadU32(File& file, const char* what) {
  unsigned char bytes[kU32Size];
  file.ReadExactly(bytes, kU32Size, what);
  return GetU32(bytes);
}

std::uint32_t SnapshotOffset(const File& file, std::uint64_t position) {
  if (position > UINT32_MAX - kU32Size)
    throw FileError(FileError::kGenericException, 0, file.GetFilePath(),
                    "the snapshot outgrows the 4 GiB that its offsets can address");
  return static_cast<std::uint32_t>(position);
}
