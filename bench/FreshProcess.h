#pragma once
#include <string>
#include <vector>

// Runs this same benchmark program again as a fresh process with `arguments` added to its command
// line, and returns the lines it prints that start with `prefix`, each passed on to standard
// output as it comes. Empty when it could not be started.
std::vector<std::string> runFreshProcess(const std::string& arguments, const std::string& prefix);
