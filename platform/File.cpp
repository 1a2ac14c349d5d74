#include "platform/File.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>

#include "support/Exception.h"
#include "support/Text.h"

TFile::TFile(TFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), name_(std::move(other.name_)) {}

TFile& TFile::operator=(TFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    name_ = std::move(other.name_);
  }
  return *this;
}

TFile::~TFile() {
  Close();
}

void TFile::Fail(int errorCode) const {
  ThrowNaming(EInOutError(errorCode), name_);
}

void TFile::Open(const std::string& name) {
  // Non-blocking, so that opening a FIFO without a writer returns at once; the check below refuses it.
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) ThrowNaming(EInOutError(errno), name);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    ThrowNaming(EInOutError(error), name);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    ThrowNaming(Exception("Not a regular file"), name);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  Close();
  fd_ = fd;
  name_ = name;
}

void TFile::Close() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

size_t TFile::ReadSomeAt(int64_t offset, void* destination, size_t count) const {
  if (fd_ < 0) Fail(EBADF);
  auto* out = static_cast<char*>(destination);
  size_t done = 0;
  while (done < count) {
    const ssize_t n =
        ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void TFile::ReadAt(int64_t offset, void* destination, size_t count) const {
  if (ReadSomeAt(offset, destination, count) != count) Fail(EIO);
}

int64_t TFile::Size() const {
  if (fd_ < 0) Fail(EBADF);
  struct stat st;
  if (::fstat(fd_, &st) != 0) Fail(errno);
  return static_cast<int64_t>(st.st_size);
}

bool FileExists(const std::string& name) {
  struct stat st;
  return ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::optional<std::string> StoredEntryName(const std::string& directory, const std::string& name) {
  struct stat st;
  if (::lstat((directory + name).c_str(), &st) == 0) return name;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.empty() ? "." : directory.c_str()), ::closedir);
  if (!dir) return std::nullopt;
  std::optional<std::string> found;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view candidate(entry->d_name);
    if (candidate == "." || candidate == "..") continue;
    if (SameText(candidate, name) && (!found || candidate < *found)) found = std::string(candidate);
  }
  return found;
}
