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

TEST(PrefixRegistryTest, FiveRootsShowTheThreeFiles) {
  test::TempPrefix prefix;
  prefix.WriteFile("system.reg",
                   "WINE REGISTRY Version 2\n#arch=win64\n"
                   "[Software\\\\Classes\\\\.txt]\n@=\"txtfile\"\n"
                   "[System\\\\ControlSet001\\\\Hardware Profiles\\\\Current\\\\Software]\n\"cfg\"=\"1\"\n"
                   "[System\\\\CurrentControlSet]\n#link\n"
                   "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,00,5c,00,4d,00,\\\n"
                   "  61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,74,00,65,00,6d,00,5c,00,43,00,6f,\\\n"
                   "  00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,00,74,00,30,00,30,00,31,00\n");
  prefix.WriteFile("user.reg", "WINE REGISTRY Version 2\n[Software\\\\Sample]\n\"Ver\"=\"1\"\n");
  prefix.WriteFile("userdef.reg", "WINE REGISTRY Version 2\n[Control Panel]\n\"def\"=\"1\"\n");

  MemoryRegistry registry;
  EXPECT_EQ(Load(prefix.path(), registry), "");
  EXPECT_EQ(Names(registry, kClassesRoot, ""), ".txt");
  EXPECT_EQ(Names(registry, kClassesRoot, ".txt"), "=");
  EXPECT_EQ(Names(registry, kCurrentUser, "Software\\Sample"), "=Ver");
  EXPECT_EQ(Names(registry, kLocalMachine, ""), "Software,System");
  EXPECT_EQ(Names(registry, kLocalMachine, "System"), "ControlSet001,CurrentControlSet");
  EXPECT_EQ(Names(registry, kUsers, ""), ".Default,S-1-5-21-0-0-0-1000");
  EXPECT_EQ(Names(registry, kUsers, ".Default\\Control Panel"), "=def");
  EXPECT_EQ(Names(registry, kUsers, "S-1-5-21-0-0-0-1000\\Software"), "Sample");
  EXPECT_EQ(Names(registry, kCurrentConfig, ""), "Software");
  EXPECT_EQ(Names(registry, kCurrentConfig, "Software"), "=cfg");
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
