#pragma once

#include <ostream>

// kwdump: writes the records of an RFF, RFC or STADAF file to out as the viewer's data sets deliver them;
// messages go to err. Runs the program's start-up sequence when it has not run yet. Returns the exit status:
// 0 done, 1 a file could not be opened or a record not read, 2 bad arguments.
int RunKwdump(int argc, char** argv, std::ostream& out, std::ostream& err);
