// SPDX-License-Identifier: ISC
#include "tools/validate/ValidatorRunner.h"

#include "tools/ToolError.h"
#include "tools/validate/checks/TestGroups.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kCallSlotSize = 1024;

struct Result {
    std::string name;
    Verdict verdict;
    std::string message;
};

const char* VerdictWord(Verdict verdict) {
    return verdict == Verdict::Pass ? "PASS" : verdict == Verdict::Warn ? "WARN" : "FAIL";
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    return text;
}

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// The child: runs the group's tests and reports on the pipe, a line per event:
// "S\tname" when a test starts, "R\tverdict\tname\tmessage" when it ends.
[[noreturn]] void RunGroupInChild(const TestGroup& group, const ValidationOptions& options, int fd,
                                  char* slot) {
    TestContext context(options, slot, kCallSlotSize);
    for (const TestCase& test : group.tests) {
        WriteAll(fd, std::string("S\t") + test.name + "\n");
        slot[0] = '\0';
        Outcome outcome;
        try {
            outcome = test.run(context);
        } catch (const std::exception& error) {
            outcome = Fail(error.what());
        }
        WriteAll(fd, std::string("R\t") + VerdictWord(outcome.verdict) + "\t" + test.name + "\t" +
                         OneLine(outcome.message()) + "\n");
    }
    _exit(0);
}

std::string ExitText(int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        return std::string("crashed with signal ") + std::to_string(signal) + " (" +
               strsignal(signal) + ")";
    }
    return "ended with exit status " + std::to_string(WEXITSTATUS(status));
}

// The parent's view of a run: results in order, printed as they come, and a
// progress line on a terminal.
class Report {
  public:
    explicit Report(bool terminal) : terminal(terminal), start(std::chrono::steady_clock::now()) {}

    void add(Result result) {
        clearProgress();
        std::printf("%s %s", VerdictWord(result.verdict), result.name.c_str());
        if (!result.message.empty()) std::printf(": %s", result.message.c_str());
        std::printf("\n");
        std::fflush(stdout);
        results.push_back(std::move(result));
    }

    void progress(const std::string& test, size_t group, size_t groups) {
        using namespace std::chrono;
        if (!terminal || steady_clock::now() - start < seconds(2)) return;
        std::fprintf(stderr, "\r\033[Kvalidate: group %zu of %zu, %s", group + 1, groups,
                     test.c_str());
        std::fflush(stderr);
        shown = true;
    }

    void clearProgress() {
        if (!shown) return;
        std::fputs("\r\033[K", stderr);
        shown = false;
    }

    const std::vector<Result>& all() const { return results; }

  private:
    bool terminal;
    bool shown = false;
    std::chrono::steady_clock::time_point start;
    std::vector<Result> results;
};

// Runs one group in a child process. Returns false when the module could not
// even be loaded, so that no later group is worth running.
bool RunGroup(const TestGroup& group, size_t index, size_t groups, const ValidationOptions& options,
              Report& report) {
    int fds[2];
    if (pipe(fds) != 0) throw ToolError("cannot create a pipe for the tests' process");
    void* shared =
        mmap(nullptr, kCallSlotSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) throw ToolError("cannot map memory for the tests' process");
    char* slot = static_cast<char*>(shared);
    slot[0] = '\0';
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child < 0) throw ToolError("cannot start a process for the tests");
    if (child == 0) {
        close(fds[0]);
        // What the module prints would break the report's lines.
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
            close(quiet);
        }
        RunGroupInChild(group, options, fds[1], slot);
    }
    close(fds[1]);

    const auto limit = std::chrono::seconds(5 * options.level);
    auto deadline = std::chrono::steady_clock::now() + limit;
    std::string pending, current;
    bool loaded = true, hung = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            hung = true;
            kill(child, SIGKILL);
            break;
        }
        pollfd watch{fds[0], POLLIN, 0};
        const int ready = poll(&watch, 1, static_cast<int>(std::min<int64_t>(left.count(), 500)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            report.progress(current, index, groups);
            continue;
        }
        char buffer[4096];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // the child is gone
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line.rfind("S\t", 0) == 0) {
                current = line.substr(2);
                deadline = std::chrono::steady_clock::now() + limit;
                report.progress(current, index, groups);
            } else if (line.rfind("R\t", 0) == 0) {
                const size_t a = line.find('\t', 2), b = line.find('\t', a + 1);
                const std::string word = line.substr(2, a - 2);
                const Verdict verdict = word == "PASS"   ? Verdict::Pass
                                        : word == "WARN" ? Verdict::Warn
                                                         : Verdict::Fail;
                const std::string name = line.substr(a + 1, b - a - 1);
                report.add({name, verdict, line.substr(b + 1)});
                for (const TestCase& test : group.tests)
                    if (name == test.name && test.required && verdict == Verdict::Fail)
                        loaded = false;
                current.clear();
            }
        }
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const std::string during = slot[0] ? std::string(", during ") + slot : "";
    munmap(shared, kCallSlotSize);
    const std::string name = current.empty() ? group.name : current;
    if (hung)
        report.add({name, Verdict::Fail,
                    "hung: no answer within " + std::to_string(limit.count()) + " s" + during});
    else if (!current.empty() || !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        report.add({name, Verdict::Fail, "the module " + ExitText(status) + during});
    return loaded;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 32) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void WriteJson(const ValidationOptions& options, const std::vector<Result>& results, size_t passed,
               size_t failed, size_t warnings) {
    std::string json = "{\n  \"module\": " + JsonString(options.pluginPath) +
                       ",\n  \"level\": " + std::to_string(options.level) +
                       ",\n  \"seed\": " + std::to_string(options.seed) + ",\n  \"tests\": [\n";
    for (size_t i = 0; i < results.size(); ++i)
        json += "    {\"name\": " + JsonString(results[i].name) + ", \"result\": \"" +
                VerdictWord(results[i].verdict) +
                "\", \"message\": " + JsonString(results[i].message) + "}" +
                (i + 1 < results.size() ? ",\n" : "\n");
    json += "  ],\n  \"passed\": " + std::to_string(passed) +
            ",\n  \"failed\": " + std::to_string(failed) +
            ",\n  \"warnings\": " + std::to_string(warnings) + "\n}\n";
    const std::string temporary = options.jsonPath + ".partial-" + std::to_string(getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    const bool written = file && std::fwrite(json.data(), 1, json.size(), file) == json.size();
    if (file && std::fclose(file) != 0) file = nullptr;
    if (!written || !file || std::rename(temporary.c_str(), options.jsonPath.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw ToolError("cannot write '" + options.jsonPath + "'");
    }
}

} // namespace

int RunValidation(const ValidationOptions& options) {
    Report report(isatty(fileno(stderr)) != 0);
    const std::vector<TestGroup>& groups = TestGroups();
    for (size_t g = 0; g < groups.size(); ++g) {
        if (groups[g].level > options.level) continue;
        if (!RunGroup(groups[g], g, groups.size(), options, report)) break;
    }
    report.clearProgress();
    size_t passed = 0, failed = 0, warnings = 0;
    for (const Result& result : report.all()) {
        if (result.verdict == Verdict::Pass) ++passed;
        if (result.verdict == Verdict::Warn) ++warnings;
        if (result.verdict == Verdict::Fail) ++failed;
    }
    std::printf("validate: %zu passed, %zu failed, %zu warnings\n", passed, failed, warnings);
    std::fflush(stdout);
    if (!options.jsonPath.empty()) WriteJson(options, report.all(), passed, failed, warnings);
    return failed == 0 ? 0 : 1;
}
