#include "dataset/Stream.h"

#include <cstring>

void TMemoryStream::Write(std::string_view bytes) {
  if (position_ == data_.size()) {
    data_.append(bytes);
  } else {
    if (position_ + bytes.size() > data_.size()) data_.resize(position_ + bytes.size());
    data_.replace(position_, bytes.size(), bytes);
  }
  position_ += bytes.size();
}

size_t TMemoryStream::Read(char* destination, size_t count) {
  const size_t n = count < data_.size() - position_ ? count : data_.size() - position_;
  if (n > 0) std::memcpy(destination, data_.data() + position_, n);
  position_ += n;
  return n;
}
