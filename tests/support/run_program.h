// Starting a program as a user would and keeping what it wrote: fork and exec,
// so POSIX systems only.
#pragma once
#if !defined(_WIN32)

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tavik::test {

struct ProgramStart {
    std::vector<std::string> args{};  // the program's path first
    std::filesystem::path cwd{};      // empty: the test's own
    std::vector<std::string> env{};   // NAME=VALUE sets, a bare NAME unsets
    bool noInput = false;             // standard input from /dev/null
};

struct ProgramRun {
    int exitCode = -1;  // 128 + the signal that ended it
    std::string out;
    std::string err;
};

// Starts the program with standard output on out and standard error on err (-1:
// the test's own); its process id, or -1.
inline pid_t StartProgram(const ProgramStart& start, int out, int err) {
    std::vector<char*> argv;
    for (const std::string& arg : start.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child != 0) return child;
    for (const std::string& setting : start.env) {
        const std::size_t equals = setting.find('=');
        if (equals == std::string::npos)
            unsetenv(setting.c_str());
        else
            setenv(setting.substr(0, equals).c_str(), setting.c_str() + equals + 1, 1);
    }
    const int in = start.noInput ? open("/dev/null", O_RDONLY) : 0;
    if (in < 0 || (in != 0 && dup2(in, 0) < 0)) _exit(120);
    if ((out >= 0 && dup2(out, 1) < 0) || (err >= 0 && dup2(err, 2) < 0)) _exit(120);
    if (!start.cwd.empty() && chdir(start.cwd.c_str()) != 0) _exit(121);
    execv(argv[0], argv.data());
    _exit(122);
}

// Waits for the program's end; its exit code, or 128 + the signal that ended it.
inline int WaitForProgram(pid_t child) {
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// All of an open file from its start.
inline std::string ReadFromStart(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    return text;
}

// Runs the program to its end, standard output and error kept apart.
inline ProgramRun RunProgram(const ProgramStart& start) {
    ProgramRun run;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (out != nullptr && err != nullptr) {
        run.exitCode = WaitForProgram(StartProgram(start, fileno(out), fileno(err)));
        run.out = ReadFromStart(out);
        run.err = ReadFromStart(err);
    }
    for (std::FILE* file : {out, err})
        if (file != nullptr) std::fclose(file);
    return run;
}

// text as one word of a shell command.
inline std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A shell command with nothing to read and its errors dropped; its exit code, and
// with out, what it wrote.
inline int Shell(const std::string& command, std::string* out = nullptr) {
    const ProgramRun run =
        RunProgram({.args = {"/bin/sh", "-c", command + " 2>/dev/null"}, .noInput = true});
    if (out != nullptr) *out = run.out;
    return run.exitCode;
}

}  // namespace tavik::test

#endif
