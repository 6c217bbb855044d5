#include "platform/console.h"

#include <conio.h>
#include <fcntl.h>
#include <io.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/win32/windows_api.h"

namespace platform {
namespace {
ConsoleCtrlHandler installedHandler = nullptr;
// The console's output code page before the run, restored at its end; 0
// when there is no console or it was UTF-8 already.
UINT savedCodePage = 0;
// Whether standard output is a console, and when it was last written.
bool outputIsConsole = false;
ULONGLONG lastFlush = 0;

// How long spinner steps may wait in the buffer before a console sees them.
constexpr ULONGLONG kTickInterval = 50;

void RestoreCodePage() {
  if (savedCodePage) ::SetConsoleOutputCP(savedCodePage);
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (installedHandler && installedHandler(event)) return TRUE;
  // Not handled: the process ends, and leaves the console as it found it.
  RestoreCodePage();
  return FALSE;
}

void Flush() {
  std::fflush(stdout);
  lastFlush = ::GetTickCount64();
}
}  // namespace

// Binary mode: the bytes printed are the bytes written, as on Linux; text
// mode would turn the prompt's "\r\n" into "\r\r\n" in redirected output.
// The text is UTF-8, so a console shows it in code page 65001 for the run.
// Output is buffered whatever it goes to: the C library writes unbuffered
// output one character at a time, and a walk prints a spinner step for every
// key. Into a file or a pipe it goes out before the prompt and at exit; a
// console gets each message at once, whole, and spinner steps at most every
// 50 ms (see below).
void InitConsole() {
  _setmode(_fileno(stdout), _O_BINARY);
  UINT codePage = ::GetConsoleOutputCP();
  if (codePage != 0 && codePage != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
    savedCodePage = codePage;
    std::atexit(RestoreCodePage);
  }
  HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode;
  outputIsConsole = output != INVALID_HANDLE_VALUE && output != nullptr && ::GetConsoleMode(output, &mode);
#ifdef __MINGW32__
  std::setvbuf(stdout, nullptr, _IOFBF, 64 * 1024);
#else
  // Without the wrappers below nothing would flush a message: a console
  // gets every character as it is printed.
  std::setvbuf(stdout, nullptr, outputIsConsole ? _IONBF : _IOFBF, 64 * 1024);
#endif
}

void WaitForKey() {
  Flush();
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

#ifdef __MINGW32__
// Every print reaches the C library through these two (printf formats
// through __mingw_vfprintf, the spinner writes with putchar); the Windows
// build links them wrapped (-Wl,--wrap), so that a console gets each message
// in one write as soon as it is printed, and the spinner's steps together,
// at most every 50 ms. Other streams, and output that is no console, pass
// through untouched.
extern "C" {
int __real___mingw_vfprintf(FILE* stream, const char* format, va_list arguments);
int __real_putchar(int c);

int __wrap___mingw_vfprintf(FILE* stream, const char* format, va_list arguments) {
  int result = __real___mingw_vfprintf(stream, format, arguments);
  if (stream == stdout && platform::outputIsConsole) platform::Flush();
  return result;
}

int __wrap_putchar(int c) {
  int result = __real_putchar(c);
  if (platform::outputIsConsole && ::GetTickCount64() - platform::lastFlush >= platform::kTickInterval)
    platform::Flush();
  return result;
}
}
#endif
