#include "tests/support/process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tt {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) Sh("mkdir -p '" + path.substr(0, slash) + "'");
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

static std::string TempPath(const char* stem) {
    char templ[64];
    std::snprintf(templ, sizeof templ, "/tmp/tavrel-%s-XXXXXX", stem);
    const int fd = mkstemp(templ);
    if (fd >= 0) close(fd);
    return templ;
}

Process::Process(const std::vector<std::string>& argv, const std::string& cwd,
                 const std::map<std::string, std::string>& env)
    : outpath_(TempPath("out")), errpath_(TempPath("err")) {
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        if (chdir(cwd.c_str()) != 0) _exit(126);
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outpath_.c_str(), O_WRONLY | O_TRUNC);
        const int err = open(errpath_.c_str(), O_WRONLY | O_TRUNC);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (const auto& [k, v] : env)
            setenv(k.c_str(), v.c_str(), 1);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    pid_ = pid;
}

Process::~Process() {
    if (pid_ > 0 && !status_) {
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        int st;
        waitpid(pid_, &st, 0);
    }
    unlink(outpath_.c_str());
    unlink(errpath_.c_str());
}

static int DecodeStatus(int st) {
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
    return -1;
}

std::optional<int> Process::Wait(Millis timeout) {
    if (status_) return status_;
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int st;
        const pid_t r = waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            status_ = DecodeStatus(st);
            // The child's own children (none expected) go with it.
            kill(-pid_, SIGKILL);
            return status_;
        }
        if (std::chrono::steady_clock::now() >= end) return std::nullopt;
        std::this_thread::sleep_for(10ms);
    }
}

bool Process::Running() {
    return !Wait(0ms).has_value();
}

void Process::Signal(int sig) {
    if (!status_) kill(pid_, sig);
}

std::string Process::Stdout() const {
    return ReadFile(outpath_);
}
std::string Process::Stderr() const {
    return ReadFile(errpath_);
}

bool Process::WaitForStdout(const std::string& text, Millis timeout) {
    return Eventually([&] { return Stdout().find(text) != std::string::npos; }, timeout);
}

int Sh(const std::string& command, std::string* output) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    std::size_t n;
    std::string out;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int st = pclose(p);
    if (output) *output = out;
    return DecodeStatus(st);
}

} // namespace tt
