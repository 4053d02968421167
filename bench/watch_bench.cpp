// How long tavik-host --watch takes to take in one appended QSO: logs of each size
// get QSOs appended one at a time, and the time from the write to the JSON line of
// the update is measured.
//
//   tavik-watch-bench [--host PATH] [--plugin PATH] [--sizes N,N] [--updates N]
//
// Prints the median and 90th percentile per size and the ratio of the largest to the
// smallest size's median. POSIX only (fork, pipes, poll).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/log_generator.h"

namespace fs = std::filesystem;
namespace tb = tavik_bench;
using Clock = std::chrono::steady_clock;

namespace {

struct Watcher {
    pid_t pid = -1;
    int out = -1;
    std::string pending;

    // Waits for the next line on the watcher's standard output; false after 30 s.
    bool NextLine() {
        for (;;) {
            const std::size_t end = pending.find('\n');
            if (end != std::string::npos) {
                pending.erase(0, end + 1);
                return true;
            }
            pollfd ready{out, POLLIN, 0};
            if (poll(&ready, 1, 30000) <= 0) return false;
            char buffer[65536];
            const ssize_t got = read(out, buffer, sizeof buffer);
            if (got <= 0) return false;
            pending.append(buffer, static_cast<std::size_t>(got));
        }
    }
};

Watcher StartWatch(const std::string& host, const std::string& plugin, const fs::path& dir,
                   const fs::path& log) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(2);
    Watcher watcher;
    watcher.pid = fork();
    if (watcher.pid == 0) {
        dup2(fds[1], 1);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 2);
        close(fds[0]);
        std::vector<std::string> args = {host, "--watch", "--no-automation", "--dir", dir.string()};
        if (!plugin.empty()) args.insert(args.end(), {"--plugin", plugin});
        args.push_back(log.string());
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(host.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    watcher.out = fds[0];
    return watcher;
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * values.size()))];
}

}  // namespace

int main(int argc, char** argv) {
    fs::path self = fs::canonical("/proc/self/exe").parent_path();
    std::string host = (self / "tavik-host").string();
    std::string plugin;
    std::vector<std::size_t> sizes = {1000, 100000};
    std::size_t updates = 1000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--host" && hasValue) {
            host = argv[++i];
        } else if (arg == "--plugin" && hasValue) {
            plugin = argv[++i];
        } else if (arg == "--updates" && hasValue) {
            updates = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--sizes" && hasValue) {
            sizes.clear();
            std::stringstream list(argv[++i]);
            for (std::string item; std::getline(list, item, ',');) sizes.push_back(std::stoull(item));
        } else {
            std::fprintf(stderr,
                         "usage: tavik-watch-bench [--host PATH] [--plugin PATH] [--sizes N,N] "
                         "[--updates N]\n");
            return 2;
        }
    }
    if (sizes.empty() || updates == 0) return 2;

    const fs::path work = fs::temp_directory_path() / ("tavik-watch-bench-" + std::to_string(getpid()));
    fs::create_directories(work);
    std::printf("%10s %10s %14s %14s\n", "QSOs", "updates", "median ms", "p90 ms");
    std::vector<double> medians;
    for (std::size_t size : sizes) {
        // One generated log: its first `size` QSOs to start from, the rest appended.
        tb::LogOptions options;
        options.count = size + updates;
        options.includeEmptyCalls = false;
        const fs::path whole = work / ("whole-" + std::to_string(size) + ".adi");
        if (!tb::WriteAdif(tb::GenerateLog(options), tb::ContestSetup(), whole.string())) return 2;
        std::ifstream in(whole, std::ios::binary);
        std::string header, line;
        std::vector<std::string> records;
        while (std::getline(in, line)) {
            if (line.rfind("<CALL", 0) == 0)
                records.push_back(line + "\n");
            else if (records.empty())
                header += line + "\n";
        }
        const fs::path log = work / ("log-" + std::to_string(size) + ".adi");
        {
            std::ofstream start(log, std::ios::binary);
            start << header;
            for (std::size_t i = 0; i < size; ++i) start << records[i];
        }
        const fs::path dir = work / ("run-" + std::to_string(size));
        fs::create_directories(dir);
        Watcher watcher = StartWatch(host, plugin, dir, log);
        if (!watcher.NextLine()) {
            std::fprintf(stderr, "tavik-watch-bench: no first update from %s\n", host.c_str());
            return 1;
        }
        std::vector<double> times;
        for (std::size_t i = size; i < records.size(); ++i) {
            const auto begin = Clock::now();
            {
                std::ofstream append(log, std::ios::binary | std::ios::app);
                append << records[i];
            }
            if (!watcher.NextLine()) {
                std::fprintf(stderr, "tavik-watch-bench: no update after QSO %zu\n", i + 1);
                return 1;
            }
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        }
        kill(watcher.pid, SIGTERM);
        waitpid(watcher.pid, nullptr, 0);
        close(watcher.out);
        medians.push_back(Percentile(times, 0.5));
        std::printf("%10zu %10zu %14.2f %14.2f\n", size, times.size(), medians.back(),
                    Percentile(times, 0.9));
        std::fflush(stdout);
    }
    std::printf("median ratio %zu/%zu: %.2f\n", sizes.back(), sizes.front(),
                medians.back() / medians.front());
    fs::remove_all(work);
    return 0;
}
