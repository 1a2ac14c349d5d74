#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

// A directory of small files made by one test and removed with it.
class TTempDir {
 public:
  TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kw_test_XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  std::string Path(std::string_view name) const { return (path_ / name).string(); }

  // Writes bytes exactly (no line-end translation) and returns the file's path.
  std::string Write(std::string_view name, std::string_view bytes) const {
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  std::filesystem::path path_;
};

// Runs action and checks that it raises exactly class E (not a subclass) with message.
template <typename E, typename F>
void ExpectError(F&& action, std::string_view message) {
  try {
    action();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(typeid(e), typeid(E)) << "raised a subclass: " << e.Message();
    EXPECT_EQ(e.Message(), message);
  }
}

// Runs check in a child process as an ordinary user (uid and gid 65534 when the tests run as root), so that
// file permissions apply as they do for a person using the program. True when check returned true.
// Folders the child must enter need permissions for others.
template <typename F>
bool RunAsOrdinaryUser(F&& check) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    bool passed = false;
    try {
      passed = check();
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(passed ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline std::string Bytes(const char* data, size_t size) {
  return std::string(data, size);
}
