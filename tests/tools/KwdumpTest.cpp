#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Rows of CSV output: each ends in CR LF, while line breaks inside quoted values are bare LF.
long CsvRows(const std::string& csv) {
  long rows = 0;
  for (size_t at = csv.find("\r\n"); at != std::string::npos; at = csv.find("\r\n", at + 2)) ++rows;
  return rows;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class KwdumpTest : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) {
    std::string command = KWDUMP_PATH;
    for (const auto& a : args) command += " " + Quote(a);
    command += " >" + Quote(dir.Path("out")) + " 2>" + Quote(dir.Path("err"));
    Result r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadAll(dir.Path("out"));
    r.err = ReadAll(dir.Path("err"));
    return r;
  }
  // name.ini with CXR, 3 / CITY, 6 / MEMO_NOTE, 4 and name.rfm; returns the data file's path.
  std::string MakeRff(const std::string& name, const std::string& records) {
    dir.Write(name + ".ini", "[FIELDDESCRIPTIONS]\r\nCXR, 3\r\nCITY, 6\r\nMEMO_NOTE, 4\r\n");
    dir.Write(name + ".rfm", std::string("Na\xEFve \"quoted\", text") + '\0' + "line\nbreak\ttab" + '\0');
    return dir.Write(name + ".rff", records);
  }

  TTempDir dir;
};

const std::string kThreeRecords = "LH M\xFCnich0000\r\nAF Paris 0000\r\nLX Z,rich0015\r\n";

TEST_F(KwdumpTest, JsonLinesHeaderAndRecords) {
  const Result r = Run({"--format", "jsonl", MakeRff("a", kThreeRecords)});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.out,
      "{\"columns\":[{\"name\":\"CXR\",\"kind\":\"string\",\"size\":3},{\"name\":\"CITY\",\"kind\":"
      "\"string\","
      "\"size\":6},{\"name\":\"MEMO_NOTE\",\"kind\":\"memo\",\"size\":0}],\"record_type\":0,\"type_name\":"
      "\"None\",\"count\":3}\n"
      "{\"recno\":1,\"values\":[\"LH \",\"M\xC3\xBCnich\",\"Na\xC3\xAFve \\\"quoted\\\", text\"]}\n"
      "{\"recno\":2,\"values\":[\"AF \",\"Paris \",\"Na\xC3\xAFve \\\"quoted\\\", text\"]}\n"
      "{\"recno\":3,\"values\":[\"LX \",\"Z,rich\",\"line\\nbreak\\ttab\"]}\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(KwdumpTest, CsvAndTsvQuoting) {
  const std::string file = MakeRff("c", kThreeRecords);
  const Result csv = Run({"--format", "csv", "--first", "2", file});
  EXPECT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out,
            "CXR,CITY,MEMO_NOTE\r\n"
            "AF ,Paris ,\"Na\xC3\xAFve \"\"quoted\"\", text\"\r\n"
            "LX ,\"Z,rich\",\"line\nbreak\ttab\"\r\n");
  const Result tsv = Run({"--format", "tsv", "--first", "3", file});
  EXPECT_EQ(tsv.out, "CXR\tCITY\tMEMO_NOTE\nLX \tZ,rich\tline\\nbreak\\ttab\n");
}

TEST_F(KwdumpTest, FirstLimitAndSchema) {
  const std::string file = MakeRff("f", kThreeRecords);
  const Result limited = Run({"--first", "2", "--limit", "1", file});
  EXPECT_EQ(limited.status, 0);
  EXPECT_NE(limited.out.find("\n{\"recno\":2,"), std::string::npos);
  EXPECT_EQ(limited.out.find("\"recno\":3"), std::string::npos);
  const Result headerOnly = Run({"--limit", "0", file});
  EXPECT_EQ(std::count(headerOnly.out.begin(), headerOnly.out.end(), '\n'), 1);
  const Result schema = Run({"--schema", file});
  EXPECT_EQ(schema.out,
            "{\"columns\":[{\"name\":\"CXR\",\"kind\":\"string\",\"size\":3},{\"name\":\"CITY\",\"kind\":"
            "\"string\","
            "\"size\":6},{\"name\":\"MEMO_NOTE\",\"kind\":\"memo\",\"size\":0}]}\n");
}

TEST_F(KwdumpTest, RfcFilesAndTheRffFileAlone) {
  const std::string line = "T000000000101LH Y     JFK T000000000202UA Y     FRA OJ1   N     \r\n";
  dir.Write("r.rfc", line + line);
  const Result rfc = Run({"--format", "tsv", dir.Path("r.rfc")});
  EXPECT_EQ(rfc.status, 0) << rfc.err;
  EXPECT_EQ(rfc.out.substr(0, rfc.out.find('\n')),
            "Tariff1_ID\tCar1\tClass1\tDest1\tTariff2_ID\tCar2\tClass2\tDest2\tJaw\tHIP");
  EXPECT_EQ(std::count(rfc.out.begin(), rfc.out.end(), '\n'), 3);
  // An RFC file beside an RFF file is not part of the RFF dump.
  dir.Write("a.rfc", line);
  const Result rff = Run({"--format", "csv", MakeRff("a", kThreeRecords)});
  EXPECT_EQ(CsvRows(rff.out), 4);
}

TEST_F(KwdumpTest, ReadErrorsAfterTheGoodRecords) {
  // 3.4 records: the count is 3, and stepping on reaches the partial fourth.
  const Result r = Run({"--format", "csv", MakeRff("e", kThreeRecords + "BA Lon")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(CsvRows(r.out), 4);
  EXPECT_EQ(r.err, dir.Path("e.rff") + ": Error at offset 45\n");
}

TEST_F(KwdumpTest, UnopenableFilesAndBadArguments) {
  const Result missing = Run({dir.Path("missing.rff")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, dir.Path("missing.rff") + ": File not found\n");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"--format", "xml", "f.rff"},
                                             {"--first", "0", "f.rff"},
                                             {"--limit", "x", "f.rff"},
                                             {"--bogus", "f"},
                                             {"a.rff", "b.rff"},
                                             {"--type", "0", "f.daf"},
                                             {"--type", "6", "f.daf"}}) {
    const Result bad = Run(args);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("usage: kwdump"), std::string::npos);
  }
}

// Copies a bundled STADAF sample into the test's folder, so that its cache is written there.
std::string CopySample(TTempDir& dir, const std::string& name) {
  return dir.Write(name, ReadAll(std::string(KW_SAMPLES_DIR) + "/" + name));
}

std::vector<std::string> HeaderLines(const std::string& jsonl) {
  std::vector<std::string> headers;
  std::istringstream in(jsonl);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("{\"columns\"", 0) == 0) headers.push_back(line.substr(line.find("\"record_type\"")));
  return headers;
}

TEST_F(KwdumpTest, StadafTypesEachWithTheirHeader) {
  const std::string file = CopySample(dir, "stadaf200.daf");
  const Result all = Run({"--no-cache", file});
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_FALSE(std::filesystem::exists(dir.Path("stadaf200.of1")));
  const std::vector<std::string> headers = HeaderLines(all.out);
  ASSERT_FALSE(headers.empty());
  EXPECT_EQ(headers[0].substr(0, 35), "\"record_type\":1,\"type_name\":\"Fare\",");
  for (size_t i = 1; i < headers.size(); ++i) EXPECT_LT(headers[i - 1], headers[i]);

  const Result rules = Run({"--type", "2", "--limit", "1", file});
  EXPECT_EQ(rules.status, 0) << rules.err;
  EXPECT_EQ(HeaderLines(rules.out).size(), 1u);
  EXPECT_NE(rules.out.find("\"type_name\":\"Rule\""), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir.Path("stadaf200.of1")));
  // The cache now answers; the records are the same.
  EXPECT_EQ(Run({"--type", "2", "--limit", "1", file}).out, rules.out);
}

TEST_F(KwdumpTest, StadafErrorsAndTypeOnOtherFiles) {
  std::string bytes = ReadAll(std::string(KW_SAMPLES_DIR) + "/stadaf110.daf");
  const std::string cut = dir.Write("cut.daf", bytes.substr(0, bytes.size() - 20));
  const Result r = Run({cut});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(r.err.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.Path("cut.of1")));
  const Result typed = Run({"--type", "1", MakeRff("t", kThreeRecords)});
  EXPECT_EQ(typed.status, 2);
  EXPECT_NE(typed.err.find("--type"), std::string::npos);
}

TEST_F(KwdumpTest, HelpDescribesEveryOption) {
  const Result help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* option : {"--format", "--schema", "--first", "--limit", "--type", "--no-cache", "--help"})
    EXPECT_NE(help.out.find(std::string("  ") + option), std::string::npos) << option;
}

// Every message names its file; a missing file reads the same whatever its kind; bytes from a file never
// reach the terminal as control characters.
TEST_F(KwdumpTest, MessagesNameTheirFileAndShowNoControlCharacters) {
  const std::string noLayout = dir.Write("bare.rff", kThreeRecords);
  EXPECT_EQ(Run({noLayout}).err, dir.Path("bare.ini") + ": File not found\n");
  const std::string memoless = MakeRff("m", kThreeRecords);
  std::filesystem::remove(dir.Path("m.rfm"));
  const Result noMemo = Run({memoless});
  EXPECT_EQ(noMemo.status, 1);
  EXPECT_EQ(noMemo.err, dir.Path("m.rfm") + ": File not found\n");

  const Result hostile = Run({dir.Path("evil\x1b]0;owned\x07\x1b[2J.rff")});
  EXPECT_EQ(hostile.status, 1);
  EXPECT_EQ(hostile.err, dir.Path("evil\\x1b]0;owned\\x07\\x1b[2J.rff") + ": File not found\n");

  const Result text = Run({dir.Write("notes.txt", "hello")});
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.out, "");
  EXPECT_EQ(text.err, dir.Path("notes.txt") +
                          ": Not an RFF, RFC, STADAF or ISAM table file (.rff, .rfc, .daf, .dat)\n");
}

TEST_F(KwdumpTest, FirstPastTheLastRecordFailsAlikeForEveryKind) {
  const std::string rff = MakeRff("f", kThreeRecords);
  const std::string rfc = dir.Write("p.rfc", std::string(64, 'A') + "\r\n" + std::string(64, 'B') + "\r\n");
  const std::string daf = CopySample(dir, "stadaf200.daf");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--first", "4", rff}, rff + ": --first 4 is past the last record (3 records)\n"},
      {{"--first", "3", rfc}, rfc + ": --first 3 is past the last record (2 records)\n"},
      {{"--first", "4", "--type", "2", daf}, daf + ": --first 4 is past the last record (3 records)\n"}};
  for (const auto& c : cases) {
    const Result r = Run(c.args);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.message);
  }
  EXPECT_EQ(Run({"--first", "3", rff}).status, 0);
}

}  // namespace

namespace {

// Carrier and amount, as fixed-width fields pad them: 100 and 100.00 are one amount, one amount is blank.
const char* const kAmounts[] = {"LH    100", "BA     20", "LH      5", "AF 100.00", "LX       "};

class KwdumpViewTest : public KwdumpTest {
 protected:
  std::string MakeAmounts() {
    dir.Write("v.ini", "[FIELDDESCRIPTIONS]\r\nCXR, 3\r\nAMT, 6\r\n");
    std::string records;
    for (const char* record : kAmounts) records += std::string(record) + "\r\n";
    return dir.Write("v.rff", records);
  }
  // The CSV a dump of these record numbers writes.
  static std::string Csv(const std::vector<int>& recNos) {
    std::string csv = "CXR,AMT\r\n";
    for (int recNo : recNos) {
      const std::string record = kAmounts[recNo - 1];
      csv += record.substr(0, 3) + "," + record.substr(3) + "\r\n";
    }
    return csv;
  }
};

TEST_F(KwdumpViewTest, WhereAndSortWriteTheRecordsAWindowWouldShowInItsOrder) {
  struct Case {
    std::vector<std::string> args;
    std::vector<int> recNos;
  };
  const Case cases[] = {
      {{"--where", "CXR=L*"}, {1, 3, 5}},
      {{"--where", "AMT>=50"}, {1, 4}},
      {{"--where", "AMT=>=50"}, {1, 4}},
      {{"--where", "CXR<>LH"}, {2, 4, 5}},
      {{"--where", "CXR=LH", "--where", "AMT<50"}, {3}},
      {{"--where", "CXR=Q*"}, {}},
      {{"--sort", "AMT"}, {5, 3, 2, 1, 4}},  // blank first; 100 and 100.00 keep their record order
      {{"--sort", "AMT:desc"}, {1, 4, 2, 3, 5}},
      {{"--sort", "cxr:desc,AMT:asc"}, {5, 3, 1, 2, 4}},
      {{"--sort", "CXR:desc", "--sort", "AMT"}, {5, 3, 1, 2, 4}},
      {{"--where", "CXR=L?", "--sort", "AMT:desc", "--first", "2", "--limit", "1"}, {3}},
  };
  const std::string file = MakeAmounts();
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--format", "csv"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(file);
    const Result r = Run(args);
    EXPECT_EQ(r.status, 0) << c.args[1] << ": " << r.err;
    EXPECT_EQ(r.out, Csv(c.recNos)) << c.args[1];
  }
  // Record numbers count in the view's order; the header counts the view's records.
  const Result json = Run({"--where", "CXR=LH", "--sort", "AMT", file});
  EXPECT_NE(json.out.find("\"count\":2}\n{\"recno\":1,\"values\":[\"LH \",\"     5\"]}\n{\"recno\":2,"),
            std::string::npos)
      << json.out;
}

TEST_F(KwdumpViewTest, BadQueriesAndUnreadableRecords) {
  const std::string file = MakeAmounts();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{"--where", "CXR"},
                                                                                    {"--where", "=5"},
                                                                                    {"--where"},
                                                                                    {"--sort", ""},
                                                                                    {"--sort", "AMT:up"},
                                                                                    {"--sort", "CXR,,AMT"}}) {
    std::vector<std::string> withFile = args;
    withFile.push_back(file);
    const Result bad = Run(withFile);
    EXPECT_EQ(bad.status, 2) << args[0];
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("usage: kwdump"), std::string::npos);
  }
  for (const char* option : {"--where", "--sort"}) {
    const Result unknown = Run({option, std::string(option) == "--where" ? "FARE=1" : "FARE", file});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, file + ": Field 'FARE' not found\n");
  }
  // A record that cannot be read stops the pass before anything is written.
  const std::string partial = MakeRff("e", kThreeRecords + "BA Lon");
  for (const char* option : {"--where", "--sort"}) {
    const Result r = Run({option, std::string(option) == "--where" ? "CXR=*" : "CITY", partial});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, partial + ": Error at offset 45\n");
  }
  // Without --type, a STADAF file's query leaves out the record types without its columns; with it, such a
  // type is an error.
  const std::string stadaf = CopySample(dir, "stadaf200.daf");
  const Result fares = Run({"--no-cache", "--where", "FaCarrier=*", "--sort", "FaAmount:desc", stadaf});
  EXPECT_EQ(fares.status, 0) << fares.err;
  EXPECT_EQ(HeaderLines(fares.out).size(), 1u);
  EXPECT_NE(fares.out.find("\"type_name\":\"Fare\",\"count\":6}"), std::string::npos) << fares.out;
  const Result rules = Run({"--no-cache", "--type", "2", "--where", "FaCarrier=*", stadaf});
  EXPECT_EQ(rules.status, 1);
  EXPECT_EQ(rules.err, stadaf + ": Field 'FaCarrier' not found\n");
  const Result help = Run({"--help"});
  for (const char* option : {"--where FIELD=PATTERN", "--sort FIELD[:desc],..."})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

}  // namespace
