// Progress of long work, one line per stage with a percentage, on standard error: only when
// standard error is a terminal and the user did not ask for quiet.
#pragma once

#include <chrono>
#include <string>

namespace flumpet::app {

class Progress {
  public:
    /// `stages`: how many stages the work has; shown = false keeps it silent.
    Progress(int stages, bool shown);
    /// True when standard error is a terminal.
    static bool onTerminal();

    /// A new stage begins: "[ 40%] text".
    void stage(const std::string& text);
    /// A line within the current stage, e.g. the bone being worked on: "       text".
    void detail(const std::string& text);
    /// Seconds since the work began.
    double elapsed() const;

  private:
    int stages_;
    int done_ = 0;
    bool shown_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace flumpet::app
