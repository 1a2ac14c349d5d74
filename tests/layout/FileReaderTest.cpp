#include "layout/FileReader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "platform/BinaryOpenMode.h"
#include "tests/TestSupport.h"

namespace {

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  std::mt19937 random(42);
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

void ExpectEof(const std::function<void()>& action) {
  ExpectError<EFileReaderException>(action, "EOF-Error");
}

void ExpectInOutError(const std::function<void()>& action, int errorCode) {
  try {
    action();
    ADD_FAILURE() << "no EInOutError";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), errorCode);
    EXPECT_EQ(e.Message(), "I/O error " + std::to_string(errorCode));
  }
}

class FileReaderTest : public ::testing::Test {
 protected:
  TTempDir dir;
  TFileReader reader;
};

TEST_F(FileReaderTest, OpenMissingFileKeepsTheOpenOne) {
  reader.Open(dir.Write("a.dat", "0123456789"));
  reader.ReadChars(3);
  ExpectError<EFileReaderException>([&] { reader.Open(dir.Path("none.dat")); }, "File does not exists");
  ExpectError<EFileReaderException>([&] { reader.Open(dir.Path("")); },
                                    "File does not exists");  // a directory
  EXPECT_TRUE(reader.IsOpen());
  EXPECT_EQ(reader.FileName(), dir.Path("a.dat"));
  EXPECT_EQ(reader.Position(), 3);
  EXPECT_STREQ(reader.ReadChars(2), "34");
}

TEST_F(FileReaderTest, ReopenStartsAtZeroWithTheNewFilesBytes) {
  reader.Open(dir.Write("a.dat", "aaaaaaaaaa"));
  reader.Seek(4);
  EXPECT_STREQ(reader.ReadChars(2), "aa");
  reader.Open(dir.Write("b.dat", "bbbbbbbbbbbbbbbbbbbb"));
  EXPECT_EQ(reader.Position(), 0);
  EXPECT_EQ(reader.OpenedSize(), 20);
  EXPECT_STREQ(reader.ReadChars(6), "bbbbbb");
}

TEST_F(FileReaderTest, SeekBounds) {
  reader.Open(dir.Write("a.dat", "0123456789"));
  reader.Seek(9);
  EXPECT_EQ(reader.Position(), 9);
  EXPECT_STREQ(reader.ReadChars(1), "9");
  reader.Seek(0);
  EXPECT_STREQ(reader.ReadChars(1), "0");
  ExpectEof([&] { reader.Seek(10); });
  ExpectEof([&] { reader.Seek(0x7FFFFFFF); });
  ExpectInOutError([&] { reader.Seek(-1); }, EINVAL);
  EXPECT_EQ(reader.Position(), 1);
}

TEST_F(FileReaderTest, ReadsUpToTheLastByteAndNoFurther) {
  reader.Open(dir.Write("a.dat", std::string("01234\0"
                                             "6789",
                                             10)));
  const char* all = reader.ReadChars(10);
  EXPECT_EQ(std::string(all, 11), std::string("01234\0"
                                              "6789\0",
                                              11));
  EXPECT_EQ(reader.Position(), 10);
  ExpectEof([&] { reader.ReadChars(1); });
  ExpectEof([&] { reader.ReadString(1); });
  ExpectEof([&] { reader.ReadBytes(1); });
  EXPECT_EQ(reader.Position(), 10);
  EXPECT_STREQ(reader.ReadChars(0), "");
  EXPECT_EQ(reader.ReadString(0), "");
  EXPECT_EQ(reader.Position(), 10);
}

TEST_F(FileReaderTest, FailedReadLeavesPosition) {
  reader.Open(dir.Write("a.dat", "0123456789"));
  reader.Seek(6);
  ExpectEof([&] { reader.ReadChars(5); });
  ExpectEof([&] { reader.ReadString(5); });
  EXPECT_EQ(reader.Position(), 6);
  EXPECT_EQ(reader.ReadString(4), "6789");
}

TEST_F(FileReaderTest, ReadStringKeepsZeroBytes) {
  reader.Open(dir.Write("a.dat", std::string("a\0b\0", 4)));
  EXPECT_EQ(reader.ReadString(4), std::string("a\0b\0", 4));
}

TEST_F(FileReaderTest, CountsOutsideTheBufferAreRefused) {
  const std::string bytes = Pattern(300000);
  reader.Open(dir.Write("a.dat", bytes));
  const struct {
    std::function<void()> action;
    const char* message;
  } cases[] = {
      {[&] { reader.ReadChars(65000); }, "Invalid read count 65000"},
      {[&] { reader.ReadChars(-1); }, "Invalid read count -1"},
      {[&] { reader.ReadString(-2); }, "Invalid read count -2"},
      {[&] { reader.ReadBytes(TFileReader::kMaxViewBytes + 1); }, "Invalid read count 131073"},
      {[&] { reader.PeekBytes(-1); }, "Invalid read count -1"},
  };
  for (const auto& c : cases) ExpectError<EFileReaderException>(c.action, c.message);
  EXPECT_EQ(reader.Position(), 0);
  EXPECT_EQ(std::string(reader.ReadChars(64999), 64999), bytes.substr(0, 64999));
}

TEST_F(FileReaderTest, PeekBlockDoesNotMove) {
  reader.Open(dir.Write("a.dat", "0123456789"));
  reader.Seek(5);
  EXPECT_EQ(reader.PeekBlock(), "56789");
  EXPECT_EQ(reader.PeekBlock(), "56789");
  EXPECT_EQ(reader.Position(), 5);
  reader.ReadChars(5);
  EXPECT_EQ(reader.PeekBlock(), "");
}

TEST_F(FileReaderTest, PeekBlockIsAtMost32768Bytes) {
  const std::string bytes = Pattern(100000);
  reader.Open(dir.Write("a.dat", bytes));
  reader.Seek(70000);  // outside the window: read directly
  EXPECT_EQ(reader.PeekBlock(), bytes.substr(70000, 30000));
  reader.Seek(1000);
  EXPECT_EQ(reader.PeekBlock(), bytes.substr(1000, 32768));
  reader.ReadChars(10);  // fills the window
  EXPECT_EQ(reader.PeekBlock(), bytes.substr(1010, 32768));
  EXPECT_EQ(reader.Position(), 1010);
}

TEST_F(FileReaderTest, PeekBytesViewsWithoutMoving) {
  reader.Open(dir.Write("a.dat", "0123456789"));
  reader.Seek(2);
  EXPECT_EQ(reader.PeekBytes(3), "234");
  EXPECT_EQ(reader.PeekBytes(20), "23456789");  // fewer at the end
  EXPECT_EQ(reader.PeekBytes(0), "");
  EXPECT_EQ(reader.Position(), 2);
  EXPECT_EQ(reader.ReadBytes(3), "234");
  EXPECT_EQ(reader.Position(), 5);
}

TEST_F(FileReaderTest, AppendedBytesAreNotRead) {
  const std::string name = dir.Write("a.dat", "0123456789");
  reader.Open(name);
  std::ofstream(name, std::ios::binary | std::ios::app) << "ABCDE";
  EXPECT_EQ(reader.FileSize(), 15);
  EXPECT_EQ(reader.OpenedSize(), 10);
  reader.Seek(8);
  ExpectEof([&] { reader.ReadChars(3); });
  ExpectEof([&] { reader.Seek(10); });
  EXPECT_EQ(reader.PeekBlock(), "89");
}

TEST_F(FileReaderTest, ShrunkFileGivesAnInOutError) {
  const std::string name = dir.Write("a.dat", Pattern(1 << 20));
  reader.Open(name);
  reader.ReadChars(16);
  std::filesystem::resize_file(name, 1000);
  reader.Seek(600000);
  ExpectInOutError([&] { reader.ReadChars(10); }, EIO);
  ExpectInOutError([&] { reader.ReadString(200000); }, EIO);
  ExpectInOutError([&] { reader.PeekBlock(); }, EIO);
  EXPECT_EQ(reader.Position(), 600000);
  EXPECT_EQ(reader.FileSize(), 1000);
}

TEST_F(FileReaderTest, NeverOpened) {
  ExpectInOutError([&] { reader.FileSize(); }, EBADF);
  ExpectEof([&] { reader.Seek(0); });
  ExpectEof([&] { reader.ReadChars(1); });
  EXPECT_STREQ(reader.ReadChars(0), "");
  EXPECT_EQ(reader.PeekBlock(), "");
  EXPECT_FALSE(reader.IsOpen());
}

// The access mode of the descriptor that has name open, from /proc.
int OpenAccessMode(const std::string& name) {
  const auto target = std::filesystem::canonical(name);
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) != target) continue;
    std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
    std::string key;
    std::string value;
    while (info >> key >> value)
      if (key == "flags:") return static_cast<int>(std::stoi(value, nullptr, 8) & O_ACCMODE);
  }
  return -1;
}

// Readers never write: a file opens for reading only in either default mode, and the mode stays as set.
TEST_F(FileReaderTest, OpensForReadingOnlyInEitherDefaultMode) {
  const std::string name = dir.Write("a.dat", "0123456789");
  const TBinaryOpenMode saved = GetDefaultBinaryOpenMode();
  for (const TBinaryOpenMode mode : {TBinaryOpenMode::bomReadWrite, TBinaryOpenMode::bomReadOnly}) {
    SetDefaultBinaryOpenMode(mode);
    reader.Open(name);
    EXPECT_EQ(OpenAccessMode(name), O_RDONLY);
    EXPECT_EQ(GetDefaultBinaryOpenMode(), mode);
  }
  SetDefaultBinaryOpenMode(saved);
}

// Reads through the window in every direction and size and compares with the file's bytes.
TEST_F(FileReaderTest, WindowedReadsMatchTheFile) {
  const std::string bytes = Pattern(700 * 1024 + 123);
  reader.Open(dir.Write("a.dat", bytes));
  int64_t expected = 0;
  std::mt19937 random(7);
  while (expected + 70000 < static_cast<int64_t>(bytes.size())) {
    const auto n = static_cast<int32_t>(random() % 65000);
    ASSERT_TRUE(std::string(reader.ReadChars(n), n) == bytes.substr(expected, n)) << expected;
    expected += n;
  }
  for (int i = 0; i < 2000; ++i) {
    const auto offset = static_cast<int64_t>(random() % bytes.size());
    const auto rest = static_cast<int32_t>(bytes.size() - offset);
    reader.Seek(offset);
    switch (i % 4) {
      case 0: {
        const int32_t n = std::min<int32_t>(rest, static_cast<int32_t>(random() % 65000));
        ASSERT_TRUE(std::string(reader.ReadChars(n), n) == bytes.substr(offset, n)) << offset;
        break;
      }
      case 1: {
        const int32_t n = std::min<int32_t>(rest, static_cast<int32_t>(random() % 300000));
        ASSERT_TRUE(reader.ReadString(n) == bytes.substr(offset, n)) << offset;
        break;
      }
      case 2:
        ASSERT_EQ(reader.PeekBytes(TFileReader::kMaxViewBytes),
                  bytes.substr(offset, TFileReader::kMaxViewBytes));
        break;
      default:
        ASSERT_TRUE(reader.PeekBlock() == bytes.substr(offset, 32768)) << offset;
    }
  }
  // Backwards, record by record.
  for (int64_t offset = static_cast<int64_t>(bytes.size()) - 100; offset >= 0; offset -= 997) {
    reader.Seek(offset);
    ASSERT_TRUE(reader.ReadBytes(100) == bytes.substr(offset, 100)) << offset;
  }
}

// Reading on reads each byte about once; jumping about (records of a sorted view) reads a short stretch at
// each jump instead of a whole window; reading backwards record by record fills whole windows again.
TEST_F(FileReaderTest, JumpsReadShortStretchesAndPassesWholeWindows) {
  const std::string bytes = Pattern(4 * 1024 * 1024);
  reader.Open(dir.Write("a.dat", bytes));
  for (int64_t offset = 0; offset + 100 <= static_cast<int64_t>(bytes.size()); offset += 100)
    ASSERT_EQ(reader.ReadBytes(100), std::string_view(bytes).substr(offset, 100));
  EXPECT_LE(reader.BytesFilled(), static_cast<int64_t>(bytes.size()) + TFileReader::kWindowSize);

  const int64_t before = reader.BytesFilled();
  std::mt19937 random(11);
  constexpr int kJumps = 500;
  for (int i = 0; i < kJumps; ++i) {
    const int64_t offset = random() % (bytes.size() - 100);
    reader.Seek(offset);
    ASSERT_EQ(reader.ReadBytes(100), std::string_view(bytes).substr(offset, 100));
  }
  EXPECT_LE(reader.BytesFilled() - before, kJumps * int64_t{TFileReader::kJumpSize});

  const int64_t beforeBackwards = reader.BytesFilled();
  for (int64_t offset = static_cast<int64_t>(bytes.size()) - 100; offset >= 0; offset -= 100) {
    reader.Seek(offset);
    ASSERT_EQ(reader.ReadBytes(100), std::string_view(bytes).substr(offset, 100));
  }
  EXPECT_LE(reader.BytesFilled() - beforeBackwards,
            2 * static_cast<int64_t>(bytes.size()) + TFileReader::kWindowSize);
}

// Files past 2 GiB and 4 GiB read like any other: positions, sizes and the end-of-file checks are 64-bit.
// Sparse files with bytes written at the offsets read.
TEST_F(FileReaderTest, FilesPast2And4GiBReadAtEveryOffset) {
  const std::string large = dir.Path("large.dat");
  std::ofstream(large).close();
  const int64_t size = (int64_t{1} << 32) + 10;
  std::error_code error;
  std::filesystem::resize_file(large, size, error);
  if (error) GTEST_SKIP() << "no sparse files here";
  const std::vector<std::pair<int64_t, std::string>> marks = {{0, "head"},
                                                              {(int64_t{1} << 31) - 2, "2G-edge"},
                                                              {(int64_t{1} << 32) - 3, "4G-edge"},
                                                              {size - 4, "tail"}};
  {
    const int fd = ::open(large.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    for (const auto& [offset, text] : marks)
      ASSERT_EQ(::pwrite(fd, text.data(), text.size(), offset), static_cast<ssize_t>(text.size()));
    ::close(fd);
  }
  reader.Open(large);
  EXPECT_EQ(reader.FileSize(), size);
  EXPECT_EQ(reader.OpenedSize(), size);
  for (const auto& [offset, text] : marks) {
    reader.Seek(offset);
    EXPECT_EQ(reader.ReadString(static_cast<int32_t>(text.size())), text) << offset;
    EXPECT_EQ(reader.Position(), offset + static_cast<int64_t>(text.size()));
    reader.Seek(offset);
    EXPECT_EQ(std::string(reader.ReadBytes(static_cast<int32_t>(text.size()))), text) << offset;
  }
  ExpectEof([&] { reader.Seek(size); });
  reader.Seek(size - 2);
  ExpectEof([&] { reader.ReadString(3); });
  EXPECT_EQ(reader.Position(), size - 2);
}

// Anything but a regular file is refused at once, naming the file: a FIFO without a writer blocked the
// opening for good, a device was read without end.
TEST_F(FileReaderTest, OnlyRegularFilesOpen) {
  const std::string fifo = dir.Path("pipe.daf");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  for (const std::string& name : {fifo, std::string("/dev/zero")}) {
    try {
      reader.Open(name);
      ADD_FAILURE() << name;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Not a regular file") << name;
      EXPECT_EQ(e.FileName(), name);
    }
  }
  EXPECT_FALSE(reader.IsOpen());
  std::filesystem::create_directories(dir.Path("folder.rff"));
  TFile folder;
  ExpectError<Exception>([&] { folder.Open(dir.Path("folder.rff")); }, "Not a regular file");
}

// A file the user may only read opens whatever the default open mode, and errors name their file.
TEST_F(FileReaderTest, ReadOnlyFilesOpenForAnOrdinaryUser) {
  const std::string name = dir.Write("a.rff", "0123456789");
  ::chmod(name.c_str(), 0444);
  ::chmod(dir.Path("").c_str(), 0755);
  SetDefaultBinaryOpenMode(TBinaryOpenMode::bomReadWrite);
  EXPECT_TRUE(RunAsOrdinaryUser([&] {
    TFileReader own;
    own.Open(name);
    return own.ReadString(10) == "0123456789";
  }));
  reader.Open(name);
  try {
    reader.Seek(10);
    ADD_FAILURE();
  } catch (const EFileReaderException& e) {
    EXPECT_EQ(e.FileName(), name);
  }
}

}  // namespace

// With read-ahead, a second thread reads the next stretch: reads in any order give the file's bytes, and a
// file that shrank gives the same error as without it.
TEST_F(FileReaderTest, ReadAheadGivesTheSameBytesAndErrors) {
  const std::string bytes = Pattern(3 * 1024 * 1024 + 77);
  const std::string name = dir.Write("a.dat", bytes);
  reader.Open(name);
  reader.EnableReadAhead();
  std::mt19937 random(11);
  for (int round = 0; round < 3; ++round) {
    int64_t at = round * 1000;
    reader.Seek(at);
    while (at < static_cast<int64_t>(bytes.size())) {
      const auto n = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(bytes.size()) - at,
                                                            1 + random() % (round == 0 ? 200 : 90000)));
      ASSERT_EQ(reader.ReadBytes(n), std::string_view(bytes).substr(static_cast<size_t>(at), n)) << at;
      const std::string_view windowed = reader.WindowedBytes().substr(0, 64);
      at += n;
      ASSERT_EQ(windowed, std::string_view(bytes).substr(static_cast<size_t>(at), windowed.size())) << at;
      if (round > 0 && random() % 50 == 0) {  // now and then a jump back, as a grid scrolling up
        at = std::max<int64_t>(0, at - static_cast<int64_t>(random() % 400000));
        reader.Seek(at);
      }
    }
  }
  reader.Seek(0);
  reader.ReadBytes(100);
  std::filesystem::resize_file(name, 300000);
  reader.Seek(200000);
  ExpectInOutError(
      [&] {
        for (;;) reader.ReadBytes(1000);
      },
      EIO);
  // Opening again ends the read-ahead; the reader reads on as before.
  reader.Open(dir.Write("b.dat", "0123456789"));
  EXPECT_EQ(reader.ReadString(10), "0123456789");
}

// A pass reads ahead, then moves about with the read-ahead off: the window taken from the read-ahead stays
// valid, jumps read short stretches again, and turning it on again reads on correctly.
TEST_F(FileReaderTest, ReadAheadOffAfterAPass) {
  const std::string bytes = Pattern(3 * 1024 * 1024);
  reader.Open(dir.Write("a.dat", bytes));
  reader.EnableReadAhead();
  for (int64_t at = 0; at + 100 <= 2 * 1024 * 1024; at += 100)
    ASSERT_EQ(reader.ReadBytes(100), std::string_view(bytes).substr(static_cast<size_t>(at), 100));
  const std::string_view window = reader.WindowedBytes();
  const int64_t at = reader.Position();
  reader.DisableReadAhead();
  EXPECT_EQ(window, std::string_view(bytes).substr(static_cast<size_t>(at), window.size()));
  const int64_t before = reader.BytesFilled();
  std::mt19937 random(7);
  for (int i = 0; i < 50; ++i) {
    const int64_t offset = random() % (bytes.size() - 100);
    reader.Seek(offset);
    ASSERT_EQ(reader.ReadBytes(100), std::string_view(bytes).substr(static_cast<size_t>(offset), 100));
  }
  EXPECT_LE(reader.BytesFilled() - before, 50 * int64_t{TFileReader::kJumpSize});
  reader.EnableReadAhead();
  reader.Seek(1000);
  for (int64_t offset = 1000; offset + 100 <= static_cast<int64_t>(bytes.size()); offset += 100)
    ASSERT_EQ(reader.ReadBytes(100), std::string_view(bytes).substr(static_cast<size_t>(offset), 100));
}
