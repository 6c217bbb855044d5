#include "app/driver.h"

#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "io/error.h"
#include "filetree/directory_capture.h"
#include "filetree/directory_compare.h"
#include "ini/compare_ini_file.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/text.h"
#include "registry/registry_capture.h"
#include "registry/registry_compare.h"

namespace {

const std::string kWorkFolder = "c:\\vastrel";

constexpr char kUsage[] = "USE VASTREL <opt>\nopt= -c\tCapture System files\nopt= -d\tExtract Difference\n";

struct Folders {
  std::string windows;
  std::string programFiles;
  std::optional<std::string> programFilesX86;  // that of 32-bit software, when the system names one
  unsigned platformId = 0;
};

// The program files of 32-bit software are a tree of their own on a 64-bit
// system, in a folder apart; a 32-bit program there is shown that folder
// under both names, and a 32-bit system has none.
bool HasX86Tree(const Folders& folders) {
  auto trimmed = [](std::string_view path) {
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
    return path;
  };
  return folders.programFilesX86 && !folders.programFilesX86->empty() &&
         !platform::EqualNoCase(trimmed(*folders.programFilesX86), trimmed(folders.programFiles)) &&
         platform::Files().FolderExists(*folders.programFilesX86);
}

// The system's default action (ending the process) is what every console
// event should get, so the handler handles none of them.
bool ConsoleCtrlHandler(std::uint32_t) { return false; }

// Copies the INI file `name`.ini. A missing INI file or an unwritable copy
// leaves no copy, not the copy of an earlier capture, which a comparison
// would take for this one's.
void CopyIniFile(const Folders& folders, const std::string& name) {
  platform::FileSystem& files = platform::Files();
  std::string copy = kWorkFolder + "\\cpy_" + name + ".ini";
  files.DeleteFile(copy);
  files.CopyFile(folders.windows + "\\" + name + ".ini", copy);
}

void CopyIniFiles(const Folders& folders) {
  CopyIniFile(folders, "win");
  CopyIniFile(folders, "system");
  if (folders.platformId != 2) CopyIniFile(folders, "protocol");
}

void CaptureTree(const std::string& folder, const char* snapshot) {
  std::printf("Capturing %s  ", folder.c_str());
  CaptureDirectory(folder, kWorkFolder + snapshot);
  std::printf("\rCaptured %s              \n", folder.c_str());
}

// The tree compared is the one the snapshot names; the lines name the folder
// the environment names now.
void CompareTree(const std::string& folder, const char* snapshot, const char* added, const char* modified,
                 const char* removed) {
  std::printf("Comparing %s", folder.c_str());
  CompareDirectory(kWorkFolder + snapshot, kWorkFolder + added, kWorkFolder + modified, kWorkFolder + removed);
  std::printf("\rCompared %s              \n", folder.c_str());
}

// Whether the working folder holds `snapshot`. One that is there but cannot
// be opened counts: its comparison names the file and the cause.
bool SnapshotExists(const char* snapshot) {
  if (platform::Files().Open(kWorkFolder + snapshot, platform::OpenMode::kRead)) return true;
  std::uint32_t error = platform::GetLastError();
  return error != platform::kErrorFileNotFound && error != platform::kErrorPathNotFound;
}

void Capture(const Folders& folders) {
  platform::Files().CreateFolder(kWorkFolder);  // usually there from an earlier run
  std::printf("Capturing Registry  ");
  CaptureRegistry("", kWorkFolder + "\\reg.bin");
  std::printf("\rCaptured Registry        \n");
  CaptureTree(folders.windows, "\\windir.bin");
  CaptureTree(folders.programFiles, "\\prgdir.bin");
  if (HasX86Tree(folders))
    CaptureTree(*folders.programFilesX86, "\\prgx86dir.bin");
  else
    platform::Files().DeleteFile(kWorkFolder + "\\prgx86dir.bin");  // an earlier capture's
  std::printf("Capturing INI File  ");
  CopyIniFiles(folders);
  std::printf("\rCaptured INI File        \n");
}

// Compares the live INI file `name`.ini with its saved copy; the reports take
// their names from it.
void CompareIni(const Folders& folders, const std::string& name) {
  std::string reports = kWorkFolder + "\\" + name;
  CompareIniFile(folders.windows + "\\" + name + ".ini", kWorkFolder + "\\cpy_" + name + ".ini",
                 reports + "_new.ini", reports + "_modo.ini", reports + "_mod.ini", reports + "_rem.ini");
}

void Compare(const Folders& folders) {
  std::printf("Comparing Registry  ");
  CompareRegistry(kWorkFolder + "\\reg.bin", kWorkFolder + "\\new.reg", kWorkFolder + "\\mod.reg",
                  kWorkFolder + "\\modo.reg", kWorkFolder + "\\rem.reg", kWorkFolder + "\\redo.reg",
                  kWorkFolder + "\\undo.reg");
  std::printf("\rCompared Registry        \n");
  CompareTree(folders.windows, "\\windir.bin", "\\new.txt", "\\mod.txt", "\\rem.txt");
  CompareTree(folders.programFiles, "\\prgdir.bin", "\\prgnew.txt", "\\prgmod.txt", "\\prgrem.txt");
  if (SnapshotExists("\\prgx86dir.bin")) {
    CompareTree(folders.programFilesX86.value_or(""), "\\prgx86dir.bin", "\\prgx86new.txt", "\\prgx86mod.txt",
                "\\prgx86rem.txt");
  } else {
    // Reports of an earlier comparison would tell of a tree this one did not compare.
    for (const char* report : {"\\prgx86new.txt", "\\prgx86mod.txt", "\\prgx86rem.txt"})
      platform::Files().DeleteFile(kWorkFolder + report);
  }
  std::printf("Comparing INI File  ");
  CompareIni(folders, "win");
  CompareIni(folders, "system");
  if (folders.platformId != 2) CompareIni(folders, "protocol");
  std::printf("\rCompared INI File        \n");
}

enum class Option { kCapture, kCompare, kUsage };

// Only the first argument counts, and only its first two characters.
Option ReadOption(int argc, char** argv) {
  if (argc < 2 || argv[1][0] != '-') return Option::kUsage;
  if (argv[1][1] == 'c') return Option::kCapture;
  if (argv[1][1] == 'd') return Option::kCompare;
  return Option::kUsage;
}

}  // namespace

int RunDriver(int argc, char** argv) {
  platform::InitConsole();
  Option option = ReadOption(argc, argv);
  std::string why;
  if (option != Option::kUsage && !platform::CheckSystem(why)) {
    std::printf("%s\n", why.c_str());
    return 1;
  }

  Folders folders;
  folders.platformId = platform::GetPlatformId();
  try {
    folders.windows = platform::GetWindowsFolder().value_or("");
    folders.programFiles = platform::GetProgramFilesFolder().value_or("");
    folders.programFilesX86 = platform::GetProgramFilesX86Folder();
    if (!platform::InstallConsoleCtrlHandler(ConsoleCtrlHandler))
      std::printf("SetConsoleCtrlHandler Error->%d", static_cast<int>(platform::GetLastError()));
    switch (option) {
      case Option::kCapture: Capture(folders); break;
      case Option::kCompare: Compare(folders); break;
      case Option::kUsage: std::printf("%s", kUsage); break;
    }
  } catch (const Error& error) {
    char message[256];
    error.GetErrorMessage(message, sizeof message);
    std::printf("\n%s\n", message);
  } catch (const std::bad_alloc&) {
    std::printf("\n%s\n", "Out of memory.");
  }

  std::printf("Press any key to continue\r\n");
  platform::WaitForKey();
  return 0;
}
