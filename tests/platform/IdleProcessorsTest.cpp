#include "platform/IdleProcessors.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

// A thread that keeps a processor busy counts at once, whatever the load over the last minute.
TEST(IdleProcessors, CountsTheCallerAndThreadsBusyNow) {
  const auto processors = static_cast<int>(::sysconf(_SC_NPROCESSORS_ONLN));
  EXPECT_LE(IdleProcessors(), processors - 1);
  std::atomic<bool> started = false;
  std::atomic<bool> stop = false;
  std::thread busy([&] {
    started = true;
    while (!stop) {
    }
  });
  while (!started) std::this_thread::yield();
  EXPECT_LE(IdleProcessors(), processors - 2);
  stop = true;
  busy.join();
}

}  // namespace
