#include "platform/posix/prefix_registry.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/posix/wine_server.h"
#include "test/registry_listing.h"
#include "test/temp_folder.h"

namespace platform::posix {
namespace {

// Subkey names, then "=" and each value's name, comma-separated.
std::string Names(Registry& registry, RegistryKey root, const char* path) {
  std::string names;
  for (const std::string& name : test::ListSubkeys(registry, root, path)) names += (names.empty() ? "" : ",") + name;
  for (const test::ListedValue& value : test::ListValues(registry, root, path))
    names += (names.empty() ? "=" : ",=") + value.name;
  return names;
}

std::string Load(const std::string& prefix, MemoryRegistry& registry) {
  testing::internal::CaptureStdout();
  LoadPrefixRegistry(prefix, registry);
  return testing::internal::GetCapturedStdout();
}

TEST(PrefixRegistryTest, MissingOrForeignFilesLeaveEmptyKeys) {
  test::TempPrefix prefix;
  prefix.WriteFile("system.reg", "WINE REGISTRY Version 2\n[Software\\\\Wine]\n");
  std::filesystem::remove(prefix.path() + "/user.reg");
  prefix.WriteFile("userdef.reg", "REGEDIT4\n[HKEY_USERS\\.Default\\Control Panel]\n");

  MemoryRegistry registry;
  EXPECT_EQ(Load(prefix.path(), registry),
            "\b \n" + prefix.path() + "/userdef.reg is not a Wine registry file; its keys are left empty\n");
  // A file that cannot be read at all is named with the reason.
  std::filesystem::create_directory(prefix.path() + "/user.reg");
  MemoryRegistry unreadable;
  EXPECT_EQ(Load(prefix.path(), unreadable),
            "\b \n" + prefix.path() + "/user.reg cannot be read (error 5); its keys are left empty\n" +
                "\b \n" + prefix.path() + "/userdef.reg is not a Wine registry file; its keys are left empty\n");
  EXPECT_EQ(Names(registry, kCurrentUser, ""), "");
  EXPECT_EQ(Names(registry, kUsers, ""), ".Default,S-1-5-21-0-0-0-1000");
  EXPECT_EQ(Names(registry, kUsers, ".Default"), "");
  // Wine makes both keys when it starts; so they are there, empty.
  EXPECT_EQ(Names(registry, kClassesRoot, ""), "");
  EXPECT_EQ(Names(registry, kCurrentConfig, ""), "");
  EXPECT_EQ(Names(registry, kLocalMachine, "Software"), "Classes,Wine");
  EXPECT_EQ(Names(registry, kLocalMachine, "System\\CurrentControlSet\\Hardware Profiles"), "Current");
}

TEST(PrefixRegistryTest, ARunningWineServerIsNoticed) {
  test::TempPrefix prefix;
  test::TempFolder tmp;
  EXPECT_FALSE(WineServerRunning(prefix.path(), tmp.path()));

  // Debian's Wine: TMPDIR/<name from the prefix's file "wineserver">/server-<dev>-<inode>/socket.
  struct stat st;
  ASSERT_EQ(stat(prefix.path().c_str(), &st), 0);
  char folder[64];
  std::snprintf(folder, sizeof folder, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  prefix.WriteFile("wineserver", "wine-q4FPVi\n");
  std::string serverFolder = tmp.path() + "/wine-q4FPVi/" + folder;
  std::filesystem::create_directories(serverFolder);
  EXPECT_FALSE(WineServerRunning(prefix.path(), tmp.path()));  // the folder stays when the server ends

  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  std::string socketPath = serverFolder + "/socket";
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_TRUE(WineServerRunning(prefix.path(), tmp.path()));
  close(fd);
}

}  // namespace
}  // namespace platform::posix
