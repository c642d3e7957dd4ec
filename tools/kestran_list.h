// The kestran-list command: checks a word list, or prints it as JSON.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kestran::listtool {

// `args` without the program name. Returns the exit status: 0 when the list
// was read, 1 when it could not be, 2 for a wrong command line.
int RunKestranList(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestran::listtool
