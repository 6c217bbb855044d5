// The records of reg.bin: writing and reading entries, the header and blocks.

#include "registry/registry_snapshot.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "io/file.h"
#include "io/little_endian.h"

namespace {

// Data larger than this is written from where it is, not copied into the record.
constexpr std::uint32_t kLargeData = 4096;

std::string At(std::uint64_t position) { return " at offset " + std::to_string(position); }

// How many bytes of the file lie after the current position.
std::uint64_t Remaining(File& file, std::uint64_t fileLength) {
  std::uint64_t position = file.GetPosition();
  return position < fileLength ? fileLength - position : 0;
}

}  // namespace

void RegistryEntry::WriteTo(File& file) {
  // The record goes to the file in one piece: a capture writes millions.
  auto nameLength = static_cast<std::uint32_t>(name.size());
  bool dataInRecord = !isKey && dataLength <= kLargeData;
  std::size_t size = 3 * regbin::kFieldSize + nameLength + (isKey ? 0 : regbin::kFieldSize) +
                     (dataInRecord ? dataLength : 0);
  static thread_local std::vector<char> record;
  if (record.size() < size) record.resize(size);
  char* at = record.data();
  auto put = [&at](std::uint32_t value) {
    PutU32(at, value);
    at += regbin::kFieldSize;
  };
  put(isKey);
  put(nameLength);
  if (nameLength != 0) std::memcpy(at, name.data(), nameLength);
  at += nameLength;
  if (isKey) {
    type = SnapshotOffset(file, file.Seek(0, File::kEnd) + static_cast<std::uint64_t>(at - record.data()));
    put(0);
  } else {
    put(type);
    put(dataLength);
    if (dataInRecord && dataLength != 0) {
      std::memcpy(at, data.get(), dataLength);
      at += dataLength;
    }
  }
  file.Write(record.data(), static_cast<std::uint32_t>(at - record.data()));
  if (!dataInRecord && !isKey) file.Write(data.get(), dataLength);
}

void RegistryEntry::ReadFrom(File& file, std::uint64_t fileLength) {
  std::uint64_t start = file.GetPosition();
  isKey = ReadU32(file, "an entry");
  if (isKey > 1)
    file.ThrowDamaged("an entry" + At(start) + " is neither a key nor a value");
  std::uint32_t nameLength = ReadU32(file, "an entry");
  if (nameLength > Remaining(file, fileLength))
    file.ThrowDamaged("the name of the entry" + At(start) + " runs past the end");
  name.resize(nameLength);
  file.ReadExactly(name.data(), nameLength, "a name");
  name.resize(std::strlen(name.c_str()));  // a name ends at its first NUL

  if (isKey) {
    type = ReadU32(file, "a key entry");
    // A subkey's block is written after the block that names it, so an
    // offset that points back would make a reader go round in circles.
    if (type != 0 && (type < file.GetPosition() || type > fileLength))
      file.ThrowDamaged("the key entry" + At(start) + " points to offset " +
                        std::to_string(type) + ", outside the blocks written after it");
    return;
  }
  type = ReadU32(file, "a value entry");
  std::uint32_t length = ReadU32(file, "a value entry");
  if (length > Remaining(file, fileLength))
    file.ThrowDamaged("the data of the value" + At(start) + " run past the end");
  if (length != 0) file.ReadExactly(MakeRoom(length), length, "value data");
  dataLength = length;
}

SnapshotReader::SnapshotReader(File& file) : file_(file), length_(file.GetLength()) {
  file_.Seek(0, File::kBegin);
}

std::string SnapshotReader::ReadRootPath() {
  std::uint32_t length = ReadU32(file_, "the header");
  if (length > regbin::kMaxRootPathLength)
    file_.ThrowDamaged("its header holds a key path of " + std::to_string(length) +
                       " bytes, longer than " + std::to_string(regbin::kMaxRootPathLength));
  std::string path(length, '\0');
  file_.ReadExactly(path.data(), length, "the header");
  path.resize(std::strlen(path.c_str()));
  return path;
}

std::uint32_t SnapshotReader::ReadCount() {
  std::uint64_t start = file_.GetPosition();
  std::uint32_t count = ReadU32(file_, "a block count");
  if (std::uint64_t{count} * regbin::kMinKeyRecordSize > Remaining(file_, length_))
    file_.ThrowDamaged("the block" + At(start) + " counts " + std::to_string(count) +
                       " entries, more than the rest of the file can hold");
  return count;
}

void SnapshotReader::ReadEntry(RegistryEntry& entry) {
  entry.Clear();
  entry.ReadFrom(file_, length_);
}

bool SnapshotReader::SeekToBlock(std::uint32_t childOffset) {
  if (childOffset == 0 || childOffset == length_) return false;
  if (childOffset > length_)
    file_.ThrowDamaged("a key points to offset " + std::to_string(childOffset) + ", past the end");
  file_.Seek(childOffset, File::kBegin);
  return true;
}

void SnapshotReader::ReportUnfinished(const std::string& keyPath) {
  std::printf("\b \nThe snapshot ends at %s: its capture stopped there\n", keyPath.c_str());
}
