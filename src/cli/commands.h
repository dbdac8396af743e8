#pragma once

#include <string>
#include <vector>

namespace vexon::cli {

// Each command takes the arguments after its name and returns the exit status;
// `langFlag` is the run's --lang ("zh", "en" or empty).
int RunSearchCommand(const std::vector<std::string>& args, const std::string& langFlag);
int RunShowCommand(const std::vector<std::string>& args, const std::string& langFlag);
int RunGetCommand(const std::vector<std::string>& args, const std::string& langFlag);
int RunUpdateCheckCommand(const std::vector<std::string>& args, const std::string& langFlag);

}  // namespace vexon::cli
