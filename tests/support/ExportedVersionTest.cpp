#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

// A program cannot be loaded with dlopen (the loader refuses executables), so the probe library is
// preloaded into the program instead and resolves the name there with dlsym.
struct ProbeResult {
  int exitCode = -1;
  std::string output;
};

ProbeResult RunProbe(const std::string& program) {
  // The probe is not the first library of a sanitised program; tell the sanitiser that is fine.
  const std::string command =
      "env ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD='" KW_EXPORT_PROBE "' '" + program + "' 2>&1";
  ProbeResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) result.output += buffer;
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(ExportedVersion, ProgramLinkingTheStartUpStepExportsTheFunctionByName) {
  const ProbeResult result = RunProbe(KW_EXPORT_HOST);
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output, "2600 3100\n");
}

TEST(ExportedVersion, ProbeNoticesAProgramWithoutTheExport) {
  const ProbeResult result = RunProbe(KW_PLAIN_HOST);
  EXPECT_EQ(result.exitCode, 3) << result.output;
}

#ifdef KW_VIEWER_PROGRAM
TEST(ExportedVersion, ViewerExportsTheFunctionByName) {
  const ProbeResult result = RunProbe(KW_VIEWER_PROGRAM);
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output, "2600 3100\n");
}
#endif

}  // namespace
