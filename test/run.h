#pragma once
// Runs the built vastrel executable as a user would, with an environment and
// standard input of the test's choosing.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace test {

struct RunResult {
  int status = -1;     // exit status, or -1 when it did not exit normally
  std::string output;  // what it wrote to standard output
};

/// Runs `executable` with `arguments`. Variables in `environment` are set
/// (a value of nullopt unsets one); standard input holds `input`.
RunResult Run(const std::string& executable, const std::vector<std::string>& arguments,
              const std::map<std::string, std::optional<std::string>>& environment = {},
              const std::string& input = {});

/// Starts `executable` as Run does, but without waiting for it: standard
/// input is empty, and what it writes goes to the file `outputPath`. Its
/// process id, for Wait.
int Start(const std::string& executable, const std::vector<std::string>& arguments,
          const std::map<std::string, std::optional<std::string>>& environment, const std::string& outputPath);
/// Waits for a process that Start started; its exit status, or -1.
int Wait(int process);

/// Runs vastrel with WINEPREFIX set to `prefix` (and WINDIR and ProgramFiles
/// unset unless given); its output comes without the spinner's steps.
RunResult RunVastrel(const std::string& prefix, const std::vector<std::string>& arguments,
                     const std::map<std::string, std::optional<std::string>>& environment = {});

/// `output` without the spinner's steps (a backspace and one of | / - \).
std::string WithoutSpinner(const std::string& output);

}  // namespace test
