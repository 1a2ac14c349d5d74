#pragma once

// How many processors are without work now, besides the one the caller runs on: the processors online less
// the threads ready to run, the caller's included. Where the system does not tell the threads ready now, the
// load average over the last minute stands in; 0 where it tells neither.
int IdleProcessors();
