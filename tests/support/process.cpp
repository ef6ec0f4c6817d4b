#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace tt {

std::string ReadFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) Sh("mkdir -p " + ShellQuote(path.substr(0, slash)));
    std::ofstream(path, std::ios::binary) << contents;
}

TempDir::TempDir() {
    char name[] = "/tmp/tavrel-test-XXXXXX";
    EXPECT_NE(mkdtemp(name), nullptr);
    path = std::string(name) + "/";
}

TempDir::~TempDir() {
    if (!::testing::Test::HasFailure()) Sh("rm -rf " + ShellQuote(path));
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

static int DecodeStatus(int st) {
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
    return -1;
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

static std::string TempPath(const char* stem) {
    std::string path = std::string("/tmp/tavrel-") + stem + "-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd >= 0) close(fd);
    return path;
}

Process::Process(const std::vector<std::string>& argv, const std::string& cwd,
                 const std::map<std::string, std::string>& env)
    : outpath_(TempPath("out")), errpath_(TempPath("err")) {
    pid_ = fork();
    if (pid_ != 0) return;
    setpgid(0, 0);
    if (chdir(cwd.c_str()) != 0) _exit(126);
    dup2(open("/dev/null", O_RDONLY), 0);
    dup2(open(outpath_.c_str(), O_WRONLY | O_TRUNC), 1);
    dup2(open(errpath_.c_str(), O_WRONLY | O_TRUNC), 2);
    for (const auto& [k, v] : env)
        setenv(k.c_str(), v.c_str(), 1);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
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

std::optional<int> Process::Wait(Millis timeout) {
    Eventually(
        [&] {
            int st;
            if (!status_ && waitpid(pid_, &st, WNOHANG) == pid_) {
                status_ = DecodeStatus(st);
                // The child's own children (none expected) go with it.
                kill(-pid_, SIGKILL);
            }
            return status_.has_value();
        },
        timeout);
    return status_;
}

void Process::Signal(int sig) {
    if (!status_) kill(pid_, sig);
}

} // namespace tt
