// The command line's own options, read before the toolkit starts.
#pragma once

// --help, --version and --layout print to stdout and return true, with the
// exit status in `status`; any other argument is left for the toolkit.
bool printedInformation(int argc, char** argv, int& status);
