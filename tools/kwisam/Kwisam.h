#pragma once

#include <istream>
#include <ostream>

// The kwisam command line: creates, fills, searches, changes and checks ISAM tables through
// TCTreeTable. Returns the exit status: 0 done, 1 an error (message on err) or nothing found, 2 bad
// arguments (usage on err).
int RunKwisam(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err);
