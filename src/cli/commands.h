#pragma once

#include <string>
#include <vector>

namespace vexon::cli {

// Each command takes the arguments after its name and returns the exit status.
int RunSearchCommand(const std::vector<std::string>& args);
int RunShowCommand(const std::vector<std::string>& args);
int RunGetCommand(const std::vector<std::string>& args);
int RunUpdateCheckCommand(const std::vector<std::string>& args);

}  // namespace vexon::cli
