// kwdump: writes the records of an RFF, RFC or STADAF file as the viewer's data sets deliver them.
#include <iostream>

#include "core/Startup.h"
#include "tools/kwdump/Kwdump.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const int status = RunKwdump(argc, argv, std::cout, std::cerr);
  RunFinalization();
  return status;
}
