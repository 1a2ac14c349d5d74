#include "engine/Definition.h"

#include <cstring>

namespace kwctree {

namespace {

class TWriter {
 public:
  void U16(uint16_t v) { Raw(&v, 2); }
  void U32(uint32_t v) { Raw(&v, 4); }
  void Text(std::string_view s) {
    U32(static_cast<uint32_t>(s.size()));
    bytes_.append(s);
  }
  void Raw(const void* p, size_t n) { bytes_.append(static_cast<const char*>(p), n); }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

class TReader {
 public:
  explicit TReader(std::string_view bytes) : bytes_(bytes) {}
  uint16_t U16() {
    uint16_t v;
    Raw(&v, 2);
    return v;
  }
  uint32_t U32() {
    uint32_t v;
    Raw(&v, 4);
    return v;
  }
  std::string Text() {
    const uint32_t n = U32();
    if (n > bytes_.size() - at_) throw TDefinitionError{kReadFailed};
    std::string s(bytes_.substr(at_, n));
    at_ += n;
    return s;
  }
  void Raw(void* p, size_t n) {
    if (n > bytes_.size() - at_) throw TDefinitionError{kReadFailed};
    std::memcpy(p, bytes_.data() + at_, n);
    at_ += n;
  }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

// Reads a NUL-terminated text of at most 4096 bytes from caller memory.
std::string BlockText(const char* p) {
  if (!p) return {};
  const void* end = std::memchr(p, 0, 4096);
  if (!end) throw TDefinitionError{kBadDefinition};
  return std::string(p, static_cast<const char*>(end));
}

// Builds a block at base: every pointer it holds is base + an offset inside the block.
class TBlockBuilder {
 public:
  explicit TBlockBuilder(uintptr_t base) : base_(base) {}
  size_t Reserve(size_t n, size_t align) {
    while (bytes_.size() % align) bytes_.push_back('\0');
    const size_t at = bytes_.size();
    bytes_.append(n, '\0');
    return at;
  }
  size_t AddText(const std::string& s) {
    const size_t at = Reserve(s.size() + 1, 1);
    std::memcpy(bytes_.data() + at, s.data(), s.size());
    return at;
  }
  template <class T>
  T* At(size_t offset) {
    return reinterpret_cast<T*>(bytes_.data() + offset);
  }
  template <class T>
  T* Pointer(size_t offset) const {
    return reinterpret_cast<T*>(base_ + offset);
  }
  std::string Take() { return std::move(bytes_); }

 private:
  uintptr_t base_;
  std::string bytes_;
};

}  // namespace

int TIndexDef::SegmentBytes() const {
  int n = 0;
  for (const TSegmentDef& s : Segments) n += s.Length;
  return n;
}

std::vector<TIndexDef> ReadIndexRecords(const TIfil& ifil, int firstId) {
  if (ifil.IndexCount < 0 || ifil.IndexCount > 255 || (ifil.IndexCount > 0 && !ifil.Indexes))
    throw TDefinitionError{kBadDefinition};
  std::vector<TIndexDef> indexes;
  for (int i = 0; i < ifil.IndexCount; ++i) {
    const TIndexRecord& r = ifil.Indexes[i];
    TIndexDef d;
    d.KeyLength = r.KeyLength;
    d.KeyType = r.KeyType;
    d.Duplicates = r.Duplicates != 0;
    d.NullKey = r.NullKey;
    d.EmptyChar = r.EmptyChar;
    d.Name = BlockText(r.IndexName);
    d.FileName = BlockText(r.IndexFileName);
    if (r.SegmentCount <= 0 || r.SegmentCount > 64 || !r.Segments) throw TDefinitionError{kBadDefinition};
    for (int s = 0; s < r.SegmentCount; ++s) {
      const TKeySegment& k = r.Segments[s];
      if (k.Length <= 0 || k.Offset < 0) throw TDefinitionError{kBadDefinition};
      d.Segments.push_back({k.Offset, k.Length, k.Mode});
    }
    if (d.SegmentBytes() + (d.Duplicates ? 4 : 0) != d.KeyLength) throw TDefinitionError{kBadDefinition};
    if (r.AlternateSequence) d.AlternateSequence.assign(r.AlternateSequence, r.AlternateSequence + 256);
    d.Id = firstId + i;
    indexes.push_back(std::move(d));
  }
  return indexes;
}

TTableDef ReadIfil(const TIfil& ifil) {
  TTableDef t;
  t.RecordLength = ifil.RecordLength;
  t.DataExtensionSize = ifil.DataExtensionSize;
  t.DataFileMode = ifil.DataFileMode;
  t.IndexExtensionSize = ifil.IndexExtensionSize;
  t.IndexFileMode = ifil.IndexFileMode;
  if (t.RecordLength == 0) throw TDefinitionError{kBadDefinition};
  t.Indexes = ReadIndexRecords(ifil, 0);
  for (const TIndexDef& d : t.Indexes)
    for (const TSegmentDef& s : d.Segments) {
      const int mode = s.Mode & 0x0F;
      if (mode != smVariable && mode != smFieldNumber && s.Offset + s.Length > t.RecordLength)
        throw TDefinitionError{kBadDefinition};
    }
  return t;
}

std::vector<TFieldDef> ReadDoda(const TDodaField* fields, int count) {
  if (count < 0 || (count > 0 && !fields)) throw TDefinitionError{kBadDefinition};
  std::vector<TFieldDef> result;
  for (int i = 0; i < count && fields[i].Name; ++i)
    result.push_back({BlockText(fields[i].Name), fields[i].Type, fields[i].Length});
  return result;
}

std::string StoreIndexes(const TTableDef& t) {
  TWriter w;
  w.U16(t.RecordLength);
  w.U16(t.DataExtensionSize);
  w.U16(t.DataFileMode);
  w.U16(t.IndexExtensionSize);
  w.U16(t.IndexFileMode);
  w.U16(static_cast<uint16_t>(t.Indexes.size()));
  for (const TIndexDef& d : t.Indexes) {
    w.U16(d.KeyLength);
    w.U16(d.KeyType);
    w.U16(d.Duplicates);
    w.U16(d.NullKey);
    w.U16(d.EmptyChar);
    w.Text(d.Name);
    w.Text(d.FileName);
    w.Text(d.StoredFile);
    w.U32(static_cast<uint32_t>(d.Id));
    w.U16(static_cast<uint16_t>(d.Segments.size()));
    for (const TSegmentDef& s : d.Segments) {
      w.U16(s.Offset);
      w.U16(s.Length);
      w.U16(s.Mode);
    }
    w.U16(static_cast<uint16_t>(d.AlternateSequence.size()));
    for (int16_t v : d.AlternateSequence) w.U16(v);
  }
  return w.Take();
}

void LoadIndexes(std::string_view stored, TTableDef& t) {
  TReader r(stored);
  t.RecordLength = r.U16();
  t.DataExtensionSize = r.U16();
  t.DataFileMode = r.U16();
  t.IndexExtensionSize = r.U16();
  t.IndexFileMode = r.U16();
  t.Indexes.clear();
  for (int n = r.U16(); n > 0; --n) {
    TIndexDef d;
    d.KeyLength = r.U16();
    d.KeyType = r.U16();
    d.Duplicates = r.U16() != 0;
    d.NullKey = r.U16();
    d.EmptyChar = r.U16();
    d.Name = r.Text();
    d.FileName = r.Text();
    d.StoredFile = r.Text();
    d.Id = static_cast<int32_t>(r.U32());
    for (int s = r.U16(); s > 0; --s) {
      TSegmentDef seg;
      seg.Offset = r.U16();
      seg.Length = r.U16();
      seg.Mode = r.U16();
      d.Segments.push_back(seg);
    }
    for (int a = r.U16(); a > 0; --a) d.AlternateSequence.push_back(r.U16());
    t.Indexes.push_back(std::move(d));
  }
}

std::string StoreFields(const std::vector<TFieldDef>& fields) {
  TWriter w;
  w.U32(static_cast<uint32_t>(fields.size()));
  for (const TFieldDef& f : fields) {
    w.Text(f.Name);
    w.U16(f.Type);
    w.U16(f.Length);
  }
  return w.Take();
}

void LoadFields(std::string_view stored, TTableDef& t) {
  TReader r(stored);
  t.Fields.clear();
  for (uint32_t n = r.U32(); n > 0; --n) {
    TFieldDef f;
    f.Name = r.Text();
    f.Type = r.U16();
    f.Length = r.U16();
    t.Fields.push_back(std::move(f));
  }
}

std::string IfilBlock(const TTableDef& t, const std::string& name, int16_t tableFileNumber, uintptr_t base) {
  TBlockBuilder b(base);
  const size_t ifilAt = b.Reserve(sizeof(TIfil), alignof(TIfil));
  const size_t indexesAt = b.Reserve(sizeof(TIndexRecord) * t.Indexes.size(), alignof(TIndexRecord));
  const size_t nameAt = b.AddText(name);
  for (size_t i = 0; i < t.Indexes.size(); ++i) {
    const TIndexDef& d = t.Indexes[i];
    const size_t segAt = b.Reserve(sizeof(TKeySegment) * d.Segments.size(), alignof(TKeySegment));
    for (size_t s = 0; s < d.Segments.size(); ++s)
      *b.At<TKeySegment>(segAt + s * sizeof(TKeySegment)) = {d.Segments[s].Offset, d.Segments[s].Length,
                                                             d.Segments[s].Mode};
    size_t altAt = 0;
    if (!d.AlternateSequence.empty()) {
      altAt = b.Reserve(512, alignof(int16_t));
      std::memcpy(b.At<int16_t>(altAt), d.AlternateSequence.data(), 512);
    }
    const size_t indexNameAt = b.AddText(d.Name);
    const size_t fileAt = d.FileName.empty() ? 0 : b.AddText(d.FileName);
    TIndexRecord* r = b.At<TIndexRecord>(indexesAt + i * sizeof(TIndexRecord));
    r->KeyLength = d.KeyLength;
    r->KeyType = d.KeyType;
    r->Duplicates = d.Duplicates;
    r->NullKey = d.NullKey;
    r->EmptyChar = d.EmptyChar;
    r->SegmentCount = static_cast<int16_t>(d.Segments.size());
    r->Segments = b.Pointer<TKeySegment>(segAt);
    r->IndexName = b.Pointer<char>(indexNameAt);
    r->IndexFileName = fileAt ? b.Pointer<char>(fileAt) : nullptr;
    r->AlternateSequence = altAt ? b.Pointer<int16_t>(altAt) : nullptr;
    r->Reserved = nullptr;
  }
  TIfil* f = b.At<TIfil>(ifilAt);
  f->Name = b.Pointer<char>(nameAt);
  f->DataFileNumber = -1;
  f->RecordLength = t.RecordLength;
  f->DataExtensionSize = t.DataExtensionSize;
  f->DataFileMode = t.DataFileMode;
  f->IndexCount = static_cast<int16_t>(t.Indexes.size());
  f->IndexExtensionSize = t.IndexExtensionSize;
  f->IndexFileMode = t.IndexFileMode;
  f->Indexes = t.Indexes.empty() ? nullptr : b.Pointer<TIndexRecord>(indexesAt);
  f->FirstField = nullptr;
  f->LastField = nullptr;
  f->TableFileNumber = tableFileNumber;
  return b.Take();
}

std::string DodaBlock(const std::vector<TFieldDef>& fields, uintptr_t base) {
  TBlockBuilder b(base);
  const size_t arrayAt = b.Reserve(sizeof(TDodaField) * (fields.size() + 1), alignof(TDodaField));
  for (size_t i = 0; i < fields.size(); ++i) {
    const size_t nameAt = b.AddText(fields[i].Name);
    TDodaField* f = b.At<TDodaField>(arrayAt + i * sizeof(TDodaField));
    f->Name = b.Pointer<char>(nameAt);
    f->Type = fields[i].Type;
    f->Length = fields[i].Length;
  }
  return b.Take();
}

}  // namespace kwctree
