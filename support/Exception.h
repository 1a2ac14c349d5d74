#pragma once

#include <exception>
#include <string>

// Root of every error the system raises; the top-level handlers show Message().
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// Integer and float conversion failures: "'abc' is not a valid integer value".
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A system call on a file failed; carries the system's error number.
class EInOutError : public Exception {
 public:
  explicit EInOutError(int errorCode) : Exception("I/O error " + std::to_string(errorCode)), errorCode_(errorCode) {}
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
