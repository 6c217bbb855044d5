#include "platform/posix/wine_server.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace platform::posix {

bool WineServerRunning(const std::string& prefix, const std::string& tmpFolder) {
  struct stat st;
  if (stat(prefix.c_str(), &st) != 0) return false;
  // The server's folder is named after the prefix folder's device and inode.
  char serverFolder[64];
  std::snprintf(serverFolder, sizeof serverFolder, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  auto socketIn = [&](const std::string& folder) {
    struct stat socketStat;
    return lstat((folder + "/" + serverFolder + "/socket").c_str(), &socketStat) == 0 &&
           S_ISSOCK(socketStat.st_mode);
  };
  // Wine's own builds: /tmp/.wine-<uid>.
  if (socketIn("/tmp/.wine-" + std::to_string(getuid()))) return true;
  // Debian's: a folder below TMPDIR named in the prefix's file "wineserver".
  std::ifstream nameFile(prefix + "/wineserver");
  std::string name;
  if (std::getline(nameFile, name) && !name.empty() && name.find('/') == std::string::npos) {
    if (socketIn(tmpFolder + "/" + name)) return true;
    if (tmpFolder != "/tmp" && socketIn("/tmp/" + name)) return true;
  }
  return false;
}

}  // namespace platform::posix
