#pragma once

namespace vexon::app::ui {

// The desktop program from start to end: the command line, the single-instance
// rule, the start-up directory and its folders, then the main window until exit.
class CVexonApp final {
 public:
  // Returns the process's exit status.
  int Run(int argc, char* argv[]);
};

}  // namespace vexon::app::ui
