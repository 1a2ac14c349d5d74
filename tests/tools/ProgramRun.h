#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Runs the programs under test as a user would: through the shell, output and errors kept in files.
namespace programrun {

struct TResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string CommandLine(const std::string& program, const std::vector<std::string>& args) {
  std::string command = Quote(program);
  for (const auto& a : args) command += " " + Quote(a);
  return command;
}

// Runs a shell command line; its exit status.
inline int Shell(const std::string& command) {
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Runs program with args (and input on its standard input when given), keeping out and err in folder.
inline TResult Run(const std::string& program, const std::vector<std::string>& args,
                   const std::string& folder, const std::string& input = "") {
  std::string command = CommandLine(program, args);
  if (!input.empty()) {
    std::ofstream(folder + "/stdin", std::ios::binary) << input;
    command += " <" + Quote(folder + "/stdin");
  }
  command += " >" + Quote(folder + "/out") + " 2>" + Quote(folder + "/err");
  TResult r;
  r.status = Shell(command);
  r.out = ReadAll(folder + "/out");
  r.err = ReadAll(folder + "/err");
  return r;
}

}  // namespace programrun
