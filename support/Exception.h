#pragma once

#include <exception>
#include <string>

// Root of every error the system raises; the top-level handlers show Message().
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

  // The file the error concerns, as the platform names it; empty when none is known. Set by the reader
  // that knows the file, so that the message itself stays as it is and the file is named where it is shown.
  const std::string& FileName() const noexcept { return fileName_; }
  // Keeps a name set closer to the cause.
  void SetFileNameOnce(const std::string& fileName) {
    if (fileName_.empty()) fileName_ = fileName;
  }

 private:
  std::string message_;
  std::string fileName_;
};

// Raises error naming fileName, for errors raised where the file they concern is known.
template <class TError>
[[noreturn]] void ThrowNaming(TError error, const std::string& fileName) {
  error.SetFileNameOnce(fileName);
  throw error;
}

// Runs action; an Exception it raises leaves naming fileName unless a closer reader named its own file.
template <class Action>
decltype(auto) NamingFile(const std::string& fileName, Action&& action) {
  try {
    return action();
  } catch (Exception& e) {
    e.SetFileNameOnce(fileName);
    throw;
  }
}

// Integer and float conversion failures: "'abc' is not a valid integer value".
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A system call on a file failed; carries the system's error number.
class EInOutError : public Exception {
 public:
  explicit EInOutError(int errorCode)
      : Exception("I/O error " + std::to_string(errorCode)), errorCode_(errorCode) {}
  int ErrorCode() const noexcept { return errorCode_; }

 private:
  int errorCode_;
};

// List index, sorted-list and duplicate errors of the string containers.
class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

class EIntfCastError : public Exception {
 public:
  EIntfCastError() : Exception("Interface not supported") {}
};
