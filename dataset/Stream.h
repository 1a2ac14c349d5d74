#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// In-memory stream that blob fields hand out; the caller owns it.
class TMemoryStream {
 public:
  void Write(std::string_view bytes);
  // Reads up to count bytes from the position; returns how many were read.
  size_t Read(char* destination, size_t count);
  void Seek(size_t position) { position_ = position < data_.size() ? position : data_.size(); }
  size_t Position() const { return position_; }
  size_t Size() const { return data_.size(); }
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
  size_t position_ = 0;
};
