#include "isam/EngineEnvironment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace {

struct TEnvironment {
  std::string programFolder;
  std::string computerName;
  std::string logPath;
  std::string executable;
  TLogTimeFunction logTime;
};

TEnvironment& Environment() {
  static TEnvironment environment;
  return environment;
}

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%m/%d/%Y %H:%M:%S", &local);
  return text;
}

bool Writable(const std::string& path) {
  return ::access(path.c_str(), W_OK) == 0;
}

}  // namespace

const std::string& ProgramFolder() {
  return Environment().programFolder;
}
const std::string& ComputerName() {
  return Environment().computerName;
}
const std::string& EngineLogPath() {
  return Environment().logPath;
}
const std::string& ExecutablePath() {
  TEnvironment& e = Environment();
  if (e.executable.empty()) {
    std::error_code error;
    e.executable = std::filesystem::read_symlink("/proc/self/exe", error).string();
  }
  return e.executable;
}

std::string ChooseEngineLogPath(const std::string& programFolder, const std::string& programName,
                                const std::string& stateHome, const std::string& home) {
  const std::string beside = programFolder + "ctreelog.txt";
  if (::access(beside.c_str(), F_OK) == 0 ? Writable(beside) : Writable(programFolder)) return beside;
  std::string state;
  if (!stateHome.empty() && stateHome[0] == '/') {
    state = stateHome;
  } else if (!home.empty()) {
    state = home + "/.local/state";
  } else {
    return beside;  // nowhere better: the lines are lost as they would be beside the program
  }
  const std::string folder = state + "/" + programName;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return folder + "/ctreelog.txt";
}

void InitializeEngineEnvironment() {
  const std::filesystem::path exe(ExecutablePath());
  std::string folder = exe.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  char name[128] = {};
  const std::string computer = ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
  const char* stateHome = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  SetEngineEnvironment(
      folder, computer,
      ChooseEngineLogPath(folder, exe.filename().string(), stateHome ? stateHome : "", home ? home : ""));
}

void SetEngineEnvironment(std::string programFolder, std::string computerName, std::string logPath) {
  TEnvironment& e = Environment();
  e.programFolder = std::move(programFolder);
  e.computerName = std::move(computerName);
  e.logPath = std::move(logPath);
}

void ClearEngineEnvironment() {
  SetEngineEnvironment({}, {}, {});
}

void SetLogTimeFunction(TLogTimeFunction function) {
  Environment().logTime = std::move(function);
}

void WriteEngineLog(std::string_view message) {
  const TEnvironment& e = Environment();
  if (e.logPath.empty()) return;
  std::string line;
  try {
    line = (e.logTime ? e.logTime() : LocalTimeText()) + " Computer " + e.computerName + " Sender " +
           ExecutablePath() + ": ";
  } catch (...) {
    return;  // the log never fails its caller
  }
  line.append(message);
  line += "\r\n";
  const int fd = ::open(e.logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return;
  struct stat st;
  if (::fstat(fd, &st) == 0 && st.st_size > kMaxEngineLogSize && ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return;
  }
  const char* p = line.data();
  size_t left = line.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n <= 0) break;
    p += n;
    left -= static_cast<size_t>(n);
  }
  ::close(fd);
}
