#include "platform/console.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <initializer_list>

#include "platform/last_error.h"

namespace platform {
namespace {

ConsoleCtrlHandler installedHandler = nullptr;
// The terminal's settings while a key is awaited, restored on a signal too.
struct termios savedTerminal;
volatile sig_atomic_t terminalChanged = 0;

// Windows' event codes: Ctrl+C, Ctrl+Break, console close.
constexpr std::uint32_t kCtrlCEvent = 0, kCtrlCloseEvent = 2;

void OnSignal(int signal) {
  std::uint32_t event = signal == SIGINT ? kCtrlCEvent : kCtrlCloseEvent;
  if (installedHandler && installedHandler(event)) return;
  // Not handled: the default action, ending the process, as on Windows.
  if (terminalChanged) tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

void InitConsole() {
  // On a terminal every print shows at once. Into a file or a pipe the
  // registry walks' spinner would cost one write per key, so whole lines go
  // out together; the prompt and the exit flush what is left.
  if (isatty(STDOUT_FILENO))
    std::setvbuf(stdout, nullptr, _IONBF, 0);
  else
    std::setvbuf(stdout, nullptr, _IOLBF, 64 * 1024);
}

void WaitForKey() {
  std::fflush(stdout);
  unsigned char key;
  if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
    struct termios raw = savedTerminal;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    terminalChanged = 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    terminalChanged = 0;
    return;
  }
  // Not a terminal: one byte, and at the end of input go on at once.
  while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
  }
}

bool InstallConsoleCtrlHandler(ConsoleCtrlHandler handler) {
  installedHandler = handler;
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGHUP, SIGTERM}) {
    if (sigaction(signal, &action, nullptr) != 0) {
      SetLastError(kErrorInvalidParameter);
      return false;
    }
  }
  return true;
}

}  // namespace platform
