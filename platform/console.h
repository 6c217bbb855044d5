#pragma once
// The console: output that reaches the screen at once, one key without echo,
// and the control handler that decides what Ctrl+C does.

#include <cstdint>
#include <string>

namespace platform {

/// Makes every print to standard output appear at once, also without a line end.
void InitConsole();

/// Tells the user, on a line of its own, of something the platform met while
/// the walks run (a registry file it cannot read, a running Wine server):
/// "\b \n" first erases the spinner's character and starts the line.
void Report(const std::string& message);

/// Waits for one key and consumes it without echo. When standard input is not
/// a terminal it reads one byte, and returns at once at the end of input.
void WaitForKey();

/// A console control handler: given the event code, true when it handled it.
using ConsoleCtrlHandler = bool (*)(std::uint32_t event);

/// Installs the handler; false on failure, with the reason as last error.
bool InstallConsoleCtrlHandler(ConsoleCtrlHandler handler);

}  // namespace platform
