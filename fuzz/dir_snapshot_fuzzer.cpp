// The directory comparison reading any windir.bin against a small live tree:
// the reader must refuse what does not fit its format with a file error and
// never read past the file or allocate what the file cannot hold.
//
// The seeds in corpus/dir_snapshot are captures of variants of the live
// tree below; VASTREL_WRITE_SEEDS=<folder> writes them again.

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/file_error.h"
#include "filetree/directory_capture.h"
#include "filetree/directory_compare.h"
#include "fuzz/fuzz_support.h"
#include "test/memory_files.h"

namespace {

// The tree as the comparison finds it; `variant` gives the states it may
// have had at capture time.
void Fill(test::MemoryFiles& files, int variant) {
  files.AddFolder("c:\\vastrel");
  files.Put("C:\\windows\\win.ini", variant == 1 ? "[windows]\r\n" : "[windows]\r\nload=\r\n");
  files.Put("C:\\windows\\system32\\kernel32.dll", "kernel");
  files.Put("C:\\windows\\system32\\drivers\\etc\\hosts", "127.0.0.1 localhost\n");
  if (variant != 2) files.Put("C:\\windows\\Fonts\\arial.ttf", "font");
  if (variant == 2) files.Put("C:\\windows\\Installer\\setup.msi", "msi");
  files.AddFolder("C:\\windows\\temp");
}

test::MemoryFiles* live = nullptr;

void WriteSeeds(const std::string& folder) {
  for (int variant = 0; variant < 3; ++variant) {
    test::MemoryFiles files;
    Fill(files, variant);
    CaptureDirectory("C:\\windows", "c:\\vastrel\\windir.bin");
    fuzz::WriteSeed(folder, variant, files.Get("c:\\vastrel\\windir.bin").value());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Prepare(WriteSeeds);
  live = new test::MemoryFiles;
  Fill(*live, 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  live->Put("c:\\vastrel\\windir.bin", std::string(reinterpret_cast<const char*>(data), size));
  try {
    CompareDirectory("c:\\vastrel\\windir.bin", "c:\\vastrel\\new.txt", "c:\\vastrel\\mod.txt",
                     "c:\\vastrel\\rem.txt");
  } catch (const FileError& error) {
    if (error.cause != FileError::kDamaged) __builtin_trap();  // nothing else can fail in memory
  }
  return 0;
}
