#include "platform/console.h"

#include <conio.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/win32/windows_api.h"

namespace platform {
namespace {
ConsoleCtrlHandler installedHandler = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  return installedHandler && installedHandler(event) ? TRUE : FALSE;
}
}  // namespace

// Binary mode: the bytes printed are the bytes written, as on Linux; text
// mode would turn the prompt's "\r\n" into "\r\r\n" in redirected output.
// A console sees every print at once. Output to a file or a pipe is
// buffered, since a walk prints a spinner step for every key; it is flushed
// before the prompt and at exit.
void InitConsole() {
  _setmode(_fileno(stdout), _O_BINARY);
  HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode;
  if (output != INVALID_HANDLE_VALUE && output != nullptr && !::GetConsoleMode(output, &mode))
    std::setvbuf(stdout, nullptr, _IOFBF, 64 * 1024);
  else
    std::setvbuf(stdout, nullptr, _IONBF, 0);
}

void WaitForKey() {
  std::fflush(stdout);
  HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  if (input != INVALID_HANDLE_VALUE && input != nullptr && ::GetConsoleMode(input, &mode)) {
    _getch();  // blocks until a key arrives; no echo
    return;
  }
  // Not a console: one byte, and at the end of input (or without any input)
  // go on at once instead of waiting for a key that can never come.
  if (input == INVALID_HANDLE_VALUE || input == nullptr) return;
  char key;
  DWORD got;
  ::ReadFile(input, &key, 1, &got, nullptr);
}

bool InstallConsoleCtrlHandler(ConsoleCtrlHandler handler) {
  installedHandler = handler;
  return ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != FALSE;
}

}  // namespace platform
