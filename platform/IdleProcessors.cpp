#include "platform/IdleProcessors.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The threads ready to run now (running or runnable, the reader included), from the fourth field of
// /proc/loadavg ("running/total"); -1 where it cannot be read.
int ReadyThreads() {
  std::FILE* file = std::fopen("/proc/loadavg", "r");
  if (file == nullptr) return -1;
  double averages[3];
  int running = -1;
  int total = 0;
  if (std::fscanf(file, "%lf %lf %lf %d/%d", &averages[0], &averages[1], &averages[2], &running, &total) != 5)
    running = -1;
  std::fclose(file);
  return running;
}

}  // namespace

int IdleProcessors() {
  const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
  if (processors < 1) return 0;
  // The load average lags a minute behind: a build that has just ended would keep a second thread from a
  // pass, and the pass's own runs would decide the next one's.
  if (const int ready = ReadyThreads(); ready >= 1) return static_cast<int>(processors) - ready;
  double load = 0;
  if (::getloadavg(&load, 1) != 1) return 0;
  return static_cast<int>(static_cast<double>(processors) - load);
}
