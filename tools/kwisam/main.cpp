#include <iostream>

#include "tools/kwisam/Kwisam.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return RunKwisam(argc, argv, std::cin, std::cout, std::cerr);
}
