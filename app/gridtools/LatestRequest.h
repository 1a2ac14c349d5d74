#pragma once

#include <cstdint>
#include <functional>

// The latest of a tool's requests that wait (for record numbers): Wrap gives the action that runs its request
// only while no later one was wrapped and Drop was not called since.
class TLatestRequest {
 public:
  std::function<void()> Wrap(std::function<void()> request) {
    return [this, ticket = ++ticket_, request = std::move(request)] {
      if (ticket == ticket_) request();
    };
  }
  void Drop() { ++ticket_; }

 private:
  uint64_t ticket_ = 0;
};
