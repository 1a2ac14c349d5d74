#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "support/Exception.h"

TFile::TFile(TFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TFile& TFile::operator=(TFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

TFile::~TFile() { Close(); }

void TFile::Open(const std::string& name, TBinaryOpenMode mode) {
  const int flags = (mode == TBinaryOpenMode::bomReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  const int fd = ::open(name.c_str(), flags);
  if (fd < 0) throw EInOutError(errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    throw EInOutError(error);
  }
  Close();
  fd_ = fd;
}

void TFile::Close() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

size_t TFile::ReadSomeAt(int64_t offset, void* destination, size_t count) const {
  if (fd_ < 0) throw EInOutError(EBADF);
  auto* out = static_cast<char*>(destination);
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EInOutError(errno);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void TFile::ReadAt(int64_t offset, void* destination, size_t count) const {
  if (ReadSomeAt(offset, destination, count) != count) throw EInOutError(EIO);
}

int64_t TFile::Size() const {
  if (fd_ < 0) throw EInOutError(EBADF);
  struct stat st;
  if (::fstat(fd_, &st) != 0) throw EInOutError(errno);
  return static_cast<int64_t>(st.st_size);
}

bool FileExists(const std::string& name) {
  struct stat st;
  return ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
