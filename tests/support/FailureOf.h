#pragma once

#include <string>

#include "support/Exception.h"

// The message of the error of class E that action raises, or "no failure".
template <class E = Exception, class F>
std::string FailureOf(F&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message();
  }
  return "no failure";
}
