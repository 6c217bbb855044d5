// The registry comparison reading any reg.bin against a small live registry:
// the reader must refuse what does not fit its format with a file error and
// never read past the file or allocate what the file cannot hold.
//
// The seeds in corpus/registry_snapshot are captures of variants of the
// live registry below; VASTREL_WRITE_SEEDS=<folder> writes them again.

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/file_error.h"
#include "fuzz/fuzz_support.h"
#include "platform/memory_registry.h"
#include "registry/registry_capture.h"
#include "registry/registry_compare.h"
#include "test/memory_files.h"

namespace {

using platform::MemoryRegistry;

const char kSample[] = "HKEY_CURRENT_USER\\Software\\Sample";

// The registry as the comparison finds it; `variant` gives the states it
// may have had at capture time.
void Fill(MemoryRegistry& registry, int variant) {
  registry.SetString(kSample, "Ver", variant == 0 ? "2" : "1");
  registry.SetDword(kSample, "Flags", 42);
  registry.SetValue(kSample, "Blob", platform::kRegBinary, {0, 1, 2, 0xff});
  if (variant != 2) registry.SetString("HKEY_CURRENT_USER\\Software\\Sample\\Tool", "", "Sample Tool");
  if (variant != 1) registry.SetString("HKEY_CURRENT_USER\\Software\\Sample\\Old\\Deeper", "x", "y");
  registry.SetString("HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt", "", "txtfile");
  registry.SetValue("HKEY_LOCAL_MACHINE\\Software\\Vendor\\App", "Paths", platform::kRegMultiSz,
                    {'a', 0, 'b', 0, 0});
  registry.SetString("HKEY_LOCAL_MACHINE\\Software\\Vendor\\App", "Home", "%ProgramFiles%\\App",
                     platform::kRegExpandSz);
  registry.SetString("HKEY_LOCAL_MACHINE\\Software\\Secret", "k", "v");
  if (variant == 0) registry.DenyOpen("HKEY_LOCAL_MACHINE\\Software\\Secret");
  registry.SetString("HKEY_USERS\\.Default\\Environment", "TEMP", "C:\\temp");
  registry.AliasRoot(platform::kClassesRoot, "HKEY_LOCAL_MACHINE\\Software\\Classes");
}

MemoryRegistry* live = nullptr;

void WriteSeeds(const std::string& folder) {
  for (int variant = 0; variant < 3; ++variant) {
    MemoryRegistry registry;
    Fill(registry, variant);
    platform::SetRegistry(&registry);
    test::MemoryFiles files;
    files.AddFolder("c:\\vastrel");
    CaptureRegistry("", "c:\\vastrel\\reg.bin");
    platform::SetRegistry(nullptr);
    fuzz::WriteSeed(folder, variant, files.Get("c:\\vastrel\\reg.bin").value());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Prepare(WriteSeeds);
  live = new MemoryRegistry;
  Fill(*live, 0);
  platform::SetRegistry(live);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  test::MemoryFiles files;
  files.Put("c:\\vastrel\\reg.bin", std::string(reinterpret_cast<const char*>(data), size));
  try {
    CompareRegistry("c:\\vastrel\\reg.bin", "c:\\vastrel\\new.reg", "c:\\vastrel\\mod.reg",
                    "c:\\vastrel\\modo.reg", "c:\\vastrel\\rem.reg");
  } catch (const FileError& error) {
    if (error.cause != FileError::kDamaged) __builtin_trap();  // nothing else can fail in memory
  }
  return 0;
}
