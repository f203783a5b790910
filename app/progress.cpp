#include "progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace flumpet::app {

Progress::Progress(int stages, bool shown)
    : stages_(std::max(stages, 1)), shown_(shown), start_(std::chrono::steady_clock::now()) {}

bool Progress::onTerminal() { return isatty(STDERR_FILENO) == 1; }

void Progress::stage(const std::string& text) {
    const int percent = std::min(100, done_ * 100 / stages_);
    ++done_;
    if (!shown_) return;
    char head[16];
    std::snprintf(head, sizeof head, "[%3d%%] ", percent);
    std::cerr << head << text << std::endl;
}

void Progress::detail(const std::string& text) {
    if (shown_) std::cerr << "       " << text << std::endl;
}

double Progress::elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

} // namespace flumpet::app
