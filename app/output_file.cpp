#include "output_file.h"

#include "object_paths.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace flumpet::app {

namespace fs = std::filesystem;

namespace {

// The temporary file being written, for the signal handler to remove; empty when none.
char pendingTemporary[4096] = {};
volatile std::sig_atomic_t pendingSet = 0;

extern "C" void removePendingAndDie(int signal) {
    if (pendingSet) ::unlink(pendingTemporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

[[noreturn]] void failWith(const std::string& path, int error) {
    throw CommandError("cannot write " + path + ": " + std::strerror(error));
}

/// The file a path finally names: symbolic links followed, even to a target not there yet.
fs::path finalTarget(const fs::path& path) {
    fs::path at = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(at, ec))) return at;
        const fs::path next = fs::read_symlink(at, ec);
        if (ec) return at;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    errno = ELOOP;
    failWith(path.string(), ELOOP);
}

void writeAll(int fd, const std::string& bytes, const std::string& shownPath) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            failWith(shownPath, errno);
        }
        done += static_cast<size_t>(n);
    }
}

class PendingTemporary {
  public:
    explicit PendingTemporary(const std::string& path) {
        if (path.size() >= sizeof pendingTemporary) return;
        std::memcpy(pendingTemporary, path.c_str(), path.size() + 1);
        pendingSet = 1;
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) previous_[index(s)] = std::signal(s, removePendingAndDie);
    }
    ~PendingTemporary() {
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(s, previous_[index(s)]);
        pendingSet = 0;
    }
    PendingTemporary(const PendingTemporary&) = delete;
    PendingTemporary& operator=(const PendingTemporary&) = delete;

  private:
    static size_t index(int s) { return s == SIGINT ? 0 : s == SIGTERM ? 1 : s == SIGHUP ? 2 : 3; }
    void (*previous_[4])(int) = {SIG_DFL, SIG_DFL, SIG_DFL, SIG_DFL};
};

} // namespace

void writeOutputFile(const std::string& path, const std::string& bytes) {
    if (path == "-") {
        std::cout << bytes << std::flush;
        if (!std::cout) throw CommandError("cannot write to standard output");
        return;
    }
    const fs::path target = finalTarget(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) failWith(path, EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or a pipe: the user means to write into it, not to replace it.
        const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) failWith(path, errno);
        try {
            writeAll(fd, bytes, path);
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (::close(fd) != 0) failWith(path, errno);
        return;
    }
    if (exists && ::access(target.c_str(), W_OK) != 0) failWith(path, errno);

    // A unique name beside the target, so the rename stays on one file system.
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    std::string temporary = (folder / hidden).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) failWith(path, errno);
    PendingTemporary guard(temporary);
    bool closed = false;
    try {
        mode_t mode = exists ? (existing.st_mode & 07777) : 0;
        if (!exists) {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        if (::fchmod(fd, mode) != 0) failWith(path, errno);
        writeAll(fd, bytes, path);
        if (::fsync(fd) != 0) failWith(path, errno);
        closed = true;
        if (::close(fd) != 0) failWith(path, errno);
    } catch (...) {
        if (!closed) ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        failWith(path, error);
    }
}

void refuseOutputOverInput(const std::string& input, const std::string& output) {
    if (input.empty() || output == "-") return;
    std::error_code ec;
    if (fs::equivalent(input, finalTarget(output), ec))
        throw CommandError(output + ": the output would replace the input " + input + "; choose another output path");
}

} // namespace flumpet::app
