#include "test/run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>
#include <stdexcept>

namespace test {

namespace {

// Starts `executable` with `input` and `output` as its standard input and
// output, closing `others` in the child; its process id.
pid_t Spawn(const std::string& executable, const std::vector<std::string>& arguments,
            const std::map<std::string, std::optional<std::string>>& environment, int input, int output,
            std::initializer_list<int> others = {}) {
  pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child > 0) return child;
  if (input < 0 || output < 0) _exit(127);
  dup2(input, 0);
  dup2(output, 1);
  for (int fd : {input, output}) close(fd);
  for (int fd : others) close(fd);
  for (const auto& [name, value] : environment)
    value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
  std::vector<char*> argv = {const_cast<char*>(executable.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  execv(executable.c_str(), argv.data());
  _exit(127);
}

}  // namespace

RunResult Run(const std::string& executable, const std::vector<std::string>& arguments,
              const std::map<std::string, std::optional<std::string>>& environment,
              const std::string& input) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
  pid_t child = Spawn(executable, arguments, environment, in[0], out[1], {in[1], out[0]});
  close(in[0]);
  close(out[1]);
  if (!input.empty() && write(in[1], input.data(), input.size()) < 0) {
  }
  close(in[1]);
  RunResult result;
  char buffer[65536];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) result.output.append(buffer, n);
  close(out[0]);
  result.status = Wait(child);
  return result;
}

int Start(const std::string& executable, const std::vector<std::string>& arguments,
          const std::map<std::string, std::optional<std::string>>& environment, const std::string& outputPath) {
  int in = open("/dev/null", O_RDONLY), out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t child = Spawn(executable, arguments, environment, in, out);
  for (int fd : {in, out})
    if (fd >= 0) close(fd);
  return child;
}

int Wait(int process) {
  int status = 0;
  if (waitpid(process, &status, 0) != process) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RunResult RunVastrel(const std::string& prefix, const std::vector<std::string>& arguments,
                     const std::map<std::string, std::optional<std::string>>& environment) {
  std::map<std::string, std::optional<std::string>> all = {
      {"WINEPREFIX", prefix}, {"WINDIR", std::nullopt}, {"ProgramFiles", std::nullopt}};
  for (const auto& entry : environment) all[entry.first] = entry.second;
  RunResult result = Run(VASTREL_EXE, arguments, all);
  result.output = WithoutSpinner(result.output);
  return result;
}

std::string WithoutSpinner(const std::string& output) {
  std::string plain;
  for (std::size_t i = 0; i < output.size(); ++i) {
    if (output[i] == '\b' && i + 1 < output.size() && std::string("|/-\\").find(output[i + 1]) != std::string::npos)
      ++i;
    else
      plain += output[i];
  }
  return plain;
}

}  // namespace test
