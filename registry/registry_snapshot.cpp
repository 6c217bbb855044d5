// The records of reg.bin: writing and reading the header, blocks and entries.

#include "registry/registry_snapshot.h"

#include <cstdio>
#include <cstring>

#include "io/file.h"
#include "io/little_endian.h"

namespace {

// Data larger than this is written from where it is, not copied into the record.
constexpr std::uint32_t kLargeData = 4096;

std::string At(std::uint64_t position) { return " at offset " + std::to_string(position); }

}  // namespace

void SnapshotWriter::WriteRootPath(const std::string& path) {
  WriteU32(file_, static_cast<std::uint32_t>(path.size()));
  file_.Write(path);
}

void SnapshotWriter::PointToNextBlock(std::uint32_t slot) {
  std::uint32_t blockStart = SnapshotOffset(file_, file_.Seek(0, File::kEnd));
  file_.Seek(slot, File::kBegin);
  WriteU32(file_, blockStart);
  file_.Seek(0, File::kEnd);
}

std::uint64_t SnapshotWriter::StartBlock() {
  std::uint64_t countAt = file_.GetPosition();
  WriteU32(file_, 0);
  return countAt;
}

void SnapshotWriter::FinishBlock(std::uint64_t countAt, std::uint32_t count) {
  file_.Seek(static_cast<std::int64_t>(countAt), File::kBegin);
  WriteU32(file_, count);
  file_.Seek(0, File::kEnd);
}

std::uint32_t SnapshotWriter::WriteEntry(const RegistryEntry& entry) {
  auto nameLength = static_cast<std::uint32_t>(entry.name.size());
  bool dataInRecord = !entry.isKey && entry.dataLength <= kLargeData;
  std::size_t size = entry.isKey ? regbin::KeyRecordSize(nameLength)
                                 : regbin::ValueRecordSize(nameLength, dataInRecord ? entry.dataLength : 0);
  if (record_.size() < size) record_.resize(size);
  char* at = record_.data();
  auto put = [&at](std::uint32_t value) {
    PutU32(at, value);
    at += regbin::kFieldSize;
  };
  put(entry.isKey);
  put(nameLength);
  if (nameLength != 0) std::memcpy(at, entry.name.data(), nameLength);
  at += nameLength;
  std::uint32_t slot = 0;
  if (entry.isKey) {
    slot = SnapshotOffset(file_, file_.Seek(0, File::kEnd) + regbin::ChildOffsetField(nameLength));
    put(0);
  } else {
    put(entry.type);
    put(entry.dataLength);
    if (dataInRecord && entry.dataLength != 0) {
      std::memcpy(at, entry.data.get(), entry.dataLength);
      at += entry.dataLength;
    }
  }
  file_.Write(record_.data(), static_cast<std::uint32_t>(at - record_.data()));
  if (!dataInRecord && !entry.isKey) file_.Write(entry.data.get(), entry.dataLength);
  return slot;
}

SnapshotReader::SnapshotReader(File& file) : file_(file), length_(file.GetLength()) {
  file_.Seek(0, File::kBegin);
}

std::uint64_t SnapshotReader::Remaining() const {
  std::uint64_t position = file_.GetPosition();
  return position < length_ ? length_ - position : 0;
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
  if (std::uint64_t{count} * regbin::kMinKeyRecordSize > Remaining())
    file_.ThrowDamaged("the block" + At(start) + " counts " + std::to_string(count) +
                       " entries, more than the rest of the file can hold");
  return count;
}

void SnapshotReader::ReadEntry(RegistryEntry& entry) {
  entry.Clear();
  std::uint64_t start = file_.GetPosition();
  entry.isKey = ReadU32(file_, "an entry");
  if (entry.isKey > 1)
    file_.ThrowDamaged("an entry" + At(start) + " is neither a key nor a value");
  std::uint32_t nameLength = ReadU32(file_, "an entry");
  if (nameLength > Remaining())
    file_.ThrowDamaged("the name of the entry" + At(start) + " runs past the end");
  entry.name.resize(nameLength);
  file_.ReadExactly(entry.name.data(), nameLength, "a name");
  entry.name.resize(std::strlen(entry.name.c_str()));  // a name ends at its first NUL

  if (entry.isKey) {
    std::uint32_t childOffset = ReadU32(file_, "a key entry");
    // A subkey's block is written after the block that names it, so an
    // offset that points back would make a reader go round in circles.
    if (childOffset != 0 && (childOffset < file_.GetPosition() || childOffset > length_))
      file_.ThrowDamaged("the key entry" + At(start) + " points to offset " +
                         std::to_string(childOffset) + ", outside the blocks written after it");
    entry.SetChildOffset(childOffset);
    return;
  }
  entry.type = ReadU32(file_, "a value entry");
  std::uint32_t length = ReadU32(file_, "a value entry");
  if (length > Remaining())
    file_.ThrowDamaged("the data of the value" + At(start) + " run past the end");
  if (length != 0) file_.ReadExactly(entry.MakeRoom(length), length, "value data");
  entry.dataLength = length;
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
