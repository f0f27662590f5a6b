// The command line, read before the toolkit starts.
#pragma once

#include <string>
#include <vector>

// --help, --version and --layout print to stdout and return true, with the
// exit status in `status` (0); an unknown option is refused with the usage
// on stderr and status 2. "--" ends the options.
bool printedInformation(int argc, char** argv, int& status);
// The files, folders and addresses named (every argument but "--" once
// printedInformation has let the command line pass).
std::vector<std::string> commandLineItems(int argc, char** argv);
