#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// An open file read with positioned reads. Failures of the system raise EInOutError with errno, naming the
// file.
class TFile {
 public:
  TFile() = default;
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  TFile(TFile&& other) noexcept;
  TFile& operator=(TFile&& other) noexcept;
  ~TFile();

  // Opens the regular file name for reading only, whatever the default open mode: the readers never write,
  // and a file the user may only read must open. Anything but a regular file (a folder, a FIFO, a device)
  // is refused with "Not a regular file" before a read could block or never end. Replaces any file open
  // before only on success. Errors name the file.
  void Open(const std::string& name);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Reads exactly count bytes at offset; a file that ended earlier raises EInOutError (EIO, as a short read).
  void ReadAt(int64_t offset, void* destination, size_t count) const;
  // Reads up to count bytes at offset; returns how many were read (fewer only at the end of the file).
  size_t ReadSomeAt(int64_t offset, void* destination, size_t count) const;
  // The size the system reports now; a file that is not open raises EInOutError (EBADF).
  int64_t Size() const;

 private:
  [[noreturn]] void Fail(int errorCode) const;  // EInOutError naming the file

  int fd_ = -1;
  std::string name_;
};

bool FileExists(const std::string& name);

// The entry of directory (empty for the current one, else ending in "/") named exactly name, else one equal
// to it without regard to letter case (the first such name in byte order); none when no entry matches. Lets
// names written for a file system that ignores letter case find their files.
std::optional<std::string> StoredEntryName(const std::string& directory, const std::string& name);
