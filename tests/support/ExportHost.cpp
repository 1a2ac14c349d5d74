// A program that runs the installed-version start-up step, built with its symbols exported like the
// viewer, so that the export of GetValidAmbrelVersion can be checked on a program of our own.
#include "support/InstalledVersions.h"

int main() {
  InitializeInstalledVersions();
  FinalizeInstalledVersions();
  return 0;
}
