#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/BinaryOpenMode.h"

// An open file read with positioned reads. Failures of the system raise EInOutError with errno.
class TFile {
 public:
  TFile() = default;
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  TFile(TFile&& other) noexcept;
  TFile& operator=(TFile&& other) noexcept;
  ~TFile();

  // Opens name for reading (and writing, in read/write mode); replaces any file open before only on success.
  void Open(const std::string& name, TBinaryOpenMode mode);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Reads exactly count bytes at offset; a file that ended earlier raises EInOutError (EIO, as a short read).
  void ReadAt(int64_t offset, void* destination, size_t count) const;
  // Reads up to count bytes at offset; returns how many were read (fewer only at the end of the file).
  size_t ReadSomeAt(int64_t offset, void* destination, size_t count) const;
  // The size the system reports now; a file that is not open raises EInOutError (EBADF).
  int64_t Size() const;

 private:
  int fd_ = -1;
};

bool FileExists(const std::string& name);
