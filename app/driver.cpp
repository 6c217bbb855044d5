#include "app/driver.h"

#include <cstdio>
#include <new>
#include <string>

#include "io/error.h"
#include "filetree/directory_capture.h"
#include "filetree/directory_compare.h"
#include "ini/compare_ini_file.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "registry/registry_capture.h"
#include "registry/registry_compare.h"

namespace {

const std::string kWorkFolder = "c:\\vastrel";

constexpr char kUsage[] = "USE VASTREL <opt>\nopt= -c\tCapture System files\nopt= -d\tExtract Difference\n";

struct Folders {
  std::string windows;
  std::string programFiles;
  unsigned platformId = 0;
};

// The system's default action (ending the process) is what every console
// event should get, so the handler handles none of them.
bool ConsoleCtrlHandler(std::uint32_t) { return false; }

void CopyIniFiles(const Folders& folders) {
  platform::FileSystem& files = platform::Files();
  // A missing INI file or an unwritable copy simply leaves no copy.
  files.CopyFile(folders.windows + "\\win.ini", kWorkFolder + "\\cpy_win.ini");
  files.CopyFile(folders.windows + "\\system.ini", kWorkFolder + "\\cpy_system.ini");
  if (folders.platformId != 2)
    files.CopyFile(folders.windows + "\\protocol.ini", kWorkFolder + "\\cpy_protocol.ini");
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

void Capture(const Folders& folders) {
  platform::Files().CreateFolder(kWorkFolder);  // usually there from an earlier run
  std::printf("Capturing Registry  ");
  CaptureRegistry("", kWorkFolder + "\\reg.bin");
  std::printf("\rCaptured Registry        \n");
  CaptureTree(folders.windows, "\\windir.bin");
  CaptureTree(folders.programFiles, "\\prgdir.bin");
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
