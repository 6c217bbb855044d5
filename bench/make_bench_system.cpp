// Lays out a large Wine prefix for the benchmarks, always the same for the
// same arguments, and applies a scripted installation to it that changes
// about one in a hundred of everything it holds.
//
//   make_bench_system <kind> <count> <prefix> [--install]
//
//   registry  <count> keys with values of every type, one key of <count>
//             values and one of <count> subkeys
//   flat      <count> files in one folder (C:\windows\system32)
//   wide      <count> files over <count>/10 folders (C:\Program Files)
//   deep      <count> files along a chain of <count>/500 folders (C:\windows\deep)
//   ini       a win.ini of <count> entries in <count>/100 sections
//
// Without --install the prefix is made afresh (an existing one is removed
// first); with it, the prefix made before is changed in place.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Every file gets a modification time of its own, fixed, so that two runs
// of the generator make the same listings.
constexpr long long kEpoch = 1700000000;

struct Options {
  std::string kind;
  long count = 0;
  fs::path prefix;
  bool install = false;
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "make_bench_system: %s\n", what.c_str());
  std::exit(1);
}

// printf into a growing string: the registry text is made in memory and
// written with one call.
template <typename... Args>
void Append(std::string& out, const char* format, Args... args) {
  char line[512];
  int length = std::snprintf(line, sizeof line, format, args...);
  if (length < 0 || length >= static_cast<int>(sizeof line)) Fail("line too long");
  out.append(line, static_cast<std::size_t>(length));
}

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0)
    Fail("cannot write " + path.string());
}

// A file of the given size (sparse, so a large tree costs little disk) and
// modification time.
void MakeFile(const fs::path& path, std::uintmax_t size, long long seconds) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out || std::fclose(out) != 0) Fail("cannot create " + path.string());
  if (size) fs::resize_file(path, size);
  auto time = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(seconds)));
  fs::last_write_time(path, time);
}

void RemoveAll(const fs::path& path) {
  std::error_code error;
  fs::remove_all(path, error);
  if (error) Fail("cannot remove " + path.string() + ": " + error.message());
}

// ---- registry ----

void BeginRegFile(std::string& out, const char* root) {
  out += "WINE REGISTRY Version 2\n;; All keys relative to ";
  out += root;
  out += "\n\n#arch=win64\n";
}

void BeginKey(std::string& out, const std::string& path, long serial) {
  Append(out, "\n[%s] 1700000000\n#time=1da%013lx\n", path.c_str(), serial);
}

// The values of ordinary key `i`: five per key, every registry type among
// them, some with escapes. The installation changes some and adds others.
void WriteItemValues(std::string& out, long i, bool installed) {
  long slot = i % 100;
  Append(out, "@=\"Component %ld\"\n", i);
  if (!(installed && slot == 41)) Append(out, "\"Path\"=str(2):\"%%SystemRoot%%\\\\system32\\\\c%ld.dll\"\n", i);
  Append(out, "\"Flags\"=dword:%08lx\n", installed && slot == 13 ? i + 1 : i);
  Append(out, "\"Data\"=hex:%02lx,%02lx,00,ff,10,20,30,40,50,60,70,80,90,a0,b0,c0\n", i & 0xff, (i >> 8) & 0xff);
  switch (i % 5) {
    case 0: Append(out, "\"Names\"=str(7):\"first %ld\\0second\\0\"\n", i); break;
    case 1: Append(out, "\"Size\"=hex(b):%02lx,%02lx,00,00,01,00,00,00\n", i & 0xff, (i >> 8) & 0xff); break;
    case 2: Append(out, "\"Nothing\"=hex(0):\n"); break;
    case 3: Append(out, "\"Caf\\xe9 \\\"%ld\\\"\"=\"tab\\there \\\\ back\"\n", i); break;
    default: Append(out, "\"Odd\"=hex(1):6e,00,6f,00,%02lx\n", i & 0x7f); break;
  }
  if (installed && slot == 29) Append(out, "\"Installed\"=\"yes\"\n");
}

std::string ItemPath(long i, long count) {
  char path[128];
  if (i < count * 3 / 10)
    std::snprintf(path, sizeof path, "Software\\\\Classes\\\\CLSID\\\\{%08lX-0000-4000-8000-%012lX}", i * 4099,
                  i * 7919);
  else
    std::snprintf(path, sizeof path, "Software\\\\Bench\\\\Group%04ld\\\\Item%06ld", i / 100, i);
  return path;
}

void WriteRegistry(const Options& options) {
  long count = options.count;
  std::string out;
  out.reserve(static_cast<std::size_t>(count) * 420);
  BeginRegFile(out, "\\\\Machine");
  long serial = 0;
  // One key of `count` subkeys, empty as most such keys are.
  for (long j = 0; j < count; ++j) {
    long slot = j % 100;
    if (!(options.install && slot == 7)) {
      char path[96];
      std::snprintf(path, sizeof path, "Software\\\\Bench\\\\Many Keys\\\\Sub%06ld", j);
      BeginKey(out, path, ++serial);
    }
    if (options.install && slot == 13) {
      char path[96];
      std::snprintf(path, sizeof path, "Software\\\\Bench\\\\Many Keys\\\\Sub%06ld new", j);
      BeginKey(out, path, ++serial);
    }
  }
  // One key of `count` values.
  BeginKey(out, "Software\\\\Bench\\\\Many Values", ++serial);
  for (long j = 0; j < count; ++j) {
    long slot = j % 100;
    if (options.install && slot == 7) continue;
    switch (j % 4) {
      case 0: Append(out, "\"Value%06ld\"=\"text %ld%s\"\n", j, j, options.install && slot == 13 ? " changed" : ""); break;
      case 1: Append(out, "\"Value%06ld\"=dword:%08lx\n", j, options.install && slot == 13 ? ~j & 0xffffffff : j); break;
      case 2: Append(out, "\"Value%06ld\"=hex:%02lx,01,02,03\n", j, options.install && slot == 13 ? 0xff : j & 0xff); break;
      default: Append(out, "\"Value%06ld\"=str(2):\"%%TEMP%%\\\\%ld%s\"\n", j, j, options.install && slot == 13 ? "x" : ""); break;
    }
    if (options.install && slot == 29) Append(out, "\"Value%06ld new\"=\"added\"\n", j);
  }
  // `count` ordinary keys: classes first, then the rest.
  for (long i = 0; i < count; ++i) {
    if (options.install && i % 100 == 7) continue;
    BeginKey(out, ItemPath(i, count), ++serial);
    WriteItemValues(out, i, options.install);
    if (options.install && i % 100 == 53) {
      BeginKey(out, ItemPath(i, count) + " Installed", ++serial);
      Append(out, "\"InstallDate\"=\"20240101\"\n\"Version\"=dword:00000002\n");
    }
  }
  BeginKey(out, "System\\\\CurrentControlSet\\\\Hardware Profiles\\\\Current", ++serial);
  WriteText(options.prefix / "system.reg", out);

  out.clear();
  BeginRegFile(out, "\\\\User\\\\S-1-5-21-0-0-0-1000");
  for (long i = 0; i < count / 100; ++i) {
    char path[96];
    std::snprintf(path, sizeof path, "Software\\\\Vendor%04ld\\\\Settings", i);
    BeginKey(out, path, ++serial);
    Append(out, "\"Window\"=hex:00,00,%02lx,00\n\"Recent\"=\"C:\\\\users\\\\file%ld.txt\"\n", i & 0xff,
           options.install && i % 10 == 3 ? i + 1 : i);
  }
  WriteText(options.prefix / "user.reg", out);

  out.clear();
  BeginRegFile(out, "\\\\User\\\\.Default");
  BeginKey(out, "Control Panel\\\\Desktop", ++serial);
  out += "\"Wallpaper\"=\"\"\n";
  WriteText(options.prefix / "userdef.reg", out);
}

void WriteSmallRegistry(const Options& options) {
  std::string out;
  BeginRegFile(out, "\\\\Machine");
  BeginKey(out, "Software\\\\Classes\\\\.txt", 1);
  out += "@=\"txtfile\"\n";
  BeginKey(out, "System\\\\CurrentControlSet\\\\Hardware Profiles\\\\Current", 2);
  WriteText(options.prefix / "system.reg", out);
  out.clear();
  BeginRegFile(out, "\\\\User\\\\S-1-5-21-0-0-0-1000");
  BeginKey(out, "Control Panel\\\\Desktop", 3);
  out += "\"Wallpaper\"=\"\"\n";
  WriteText(options.prefix / "user.reg", out);
  out.clear();
  BeginRegFile(out, "\\\\User\\\\.Default");
  WriteText(options.prefix / "userdef.reg", out);
}

// ---- folder trees ----

fs::path WindowsFolder(const Options& options) { return options.prefix / "drive_c" / "windows"; }

// Files `first`..`first + count - 1` of a folder: made before the
// installation; afterwards one in a hundred is gone, one changed and one new.
void FillFolder(const fs::path& folder, long first, long count, const char* format, bool install) {
  if (!install) fs::create_directories(folder);
  for (long j = first; j < first + count; ++j) {
    char name[64];
    std::snprintf(name, sizeof name, format, j);
    fs::path file = folder / name;
    long slot = j % 100;
    if (!install) {
      MakeFile(file, static_cast<std::uintmax_t>(j * 37 % 65536), kEpoch + j);
    } else if (slot == 7) {
      fs::remove(file);
    } else if (slot == 13) {
      MakeFile(file, static_cast<std::uintmax_t>(j * 37 % 65536 + 1), kEpoch + j + 86400);
    } else if (slot == 29) {
      MakeFile(folder / (std::string("new ") + name), 4096, kEpoch + 2 * 86400);
    }
  }
}

void MakeFlat(const Options& options) {
  FillFolder(WindowsFolder(options) / "system32", 0, options.count, "lib%06ld.dll", options.install);
}

void MakeWide(const Options& options) {
  fs::path root = options.prefix / "drive_c" / "Program Files";
  long folders = options.count / 10, apps = 100, partsPerApp = folders / apps;
  if (partsPerApp < 1) Fail("wide needs a count of at least 1000");
  for (long f = 0; f < folders; ++f) {
    char name[64];
    std::snprintf(name, sizeof name, "App%03ld/Part%04ld", f / partsPerApp, f % partsPerApp);
    fs::path folder = root / name;
    long slot = f % 100;
    if (options.install && slot == 7) {
      RemoveAll(folder);
      continue;
    }
    FillFolder(folder, f * 10, 10, "file%07ld.dat", options.install);
    if (options.install && slot == 29) FillFolder(folder / "Added", 0, 10, "added%02ld.dat", false);
  }
}

void MakeDeep(const Options& options) {
  long depth = options.count / 500;
  if (depth < 1) Fail("deep needs a count of at least 500");
  fs::path folder = WindowsFolder(options) / "deep";
  for (long level = 0; level < depth; ++level) {
    char name[32];
    std::snprintf(name, sizeof name, "L%03ld", level);
    folder /= name;
    FillFolder(folder, level * 500, 500, "f%06ld.tmp", options.install);
    if (options.install && level == depth / 2) FillFolder(folder / "Added", 0, 10, "added%02ld.tmp", false);
  }
}

// ---- INI files ----

void WriteWinIni(const Options& options, long entries) {
  long sections = entries / 100;
  std::string out;
  out.reserve(static_cast<std::size_t>(entries) * 32);
  for (long s = 0; s < sections; ++s) {
    Append(out, "[Section%04ld]\r\n", s);
    for (long k = 0; k < 100; ++k) {
      long j = s * 100 + k, slot = k;
      if (options.install && slot == 7) continue;
      Append(out, "Key%03ld=value %ld%s\r\n", k, j, options.install && slot == 13 ? " changed" : "");
      if (options.install && slot == 29) Append(out, "NewKey%03ld=installed\r\n", k);
    }
    if (options.install && s % 100 == 50) Append(out, "\r\n[Installed%04ld]\r\nPath=C:\\Program Files\\New\r\n", s);
    out += "\r\n";
  }
  WriteText(WindowsFolder(options) / "win.ini", out);
}

void MakeBase(const Options& options) {
  // Only a prefix this program made, or an empty folder, is made afresh.
  if (fs::exists(options.prefix) && !fs::is_empty(options.prefix) && !fs::exists(options.prefix / "system.reg"))
    Fail(options.prefix.string() + " is not empty and holds no prefix");
  RemoveAll(options.prefix);
  fs::create_directories(WindowsFolder(options) / "system32");
  fs::create_directories(options.prefix / "drive_c" / "Program Files" / "Common Files");
  fs::create_directories(options.prefix / "dosdevices");
  fs::create_directory_symlink("../drive_c", options.prefix / "dosdevices" / "c:");
  fs::create_directory_symlink("/", options.prefix / "dosdevices" / "z:");
  WriteText(WindowsFolder(options) / "system.ini", "[boot]\r\nshell=explorer.exe\r\n");
  WriteText(WindowsFolder(options) / "win.ini", "[windows]\r\nload=\r\nrun=\r\n");
  MakeFile(WindowsFolder(options) / "notepad.exe", 1024, kEpoch);
}

Options ReadOptions(int argc, char** argv) {
  if (argc < 4 || argc > 5 || (argc == 5 && std::string(argv[4]) != "--install")) {
    std::fprintf(stderr, "usage: make_bench_system registry|flat|wide|deep|ini <count> <prefix> [--install]\n");
    std::exit(2);
  }
  Options options{argv[1], std::atol(argv[2]), argv[3], argc == 5};
  if (options.count <= 0) Fail("the count must be a positive number");
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  Options options = ReadOptions(argc, argv);
  try {
    if (!options.install) {
      MakeBase(options);
      if (options.kind != "registry") WriteSmallRegistry(options);
    } else if (!fs::exists(options.prefix / "system.reg")) {
      Fail("no prefix to install into at " + options.prefix.string());
    }
    if (options.kind == "registry")
      WriteRegistry(options);
    else if (options.kind == "flat")
      MakeFlat(options);
    else if (options.kind == "wide")
      MakeWide(options);
    else if (options.kind == "deep")
      MakeDeep(options);
    else if (options.kind == "ini")
      WriteWinIni(options, options.count);
    else
      Fail("unknown kind " + options.kind);
  } catch (const fs::filesystem_error& error) {
    Fail(error.what());
  }
  return 0;
}
