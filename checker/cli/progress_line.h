// Progress of a phase on standard error, when that is a terminal, like tavik-host's.
#pragma once

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

namespace tavik::check {

class ProgressLine {
public:
    ProgressLine(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}

    // "tavik-check: <what> <done>/<total>", at most five times a second.
    void Show(const char* what, std::size_t done, std::size_t total) {
        if (!enabled_) return;
        const auto now = std::chrono::steady_clock::now();
        if (done != total && now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        err_ << "\rtavik-check: " << what << ' ' << done << '/' << total << std::flush;
        open_ = true;
    }
    // Ends the line of a phase that showed progress.
    void End() {
        if (open_) err_ << '\n' << std::flush;
        open_ = false;
    }

    static void OfReading(void* self, std::size_t done, std::size_t total) {
        static_cast<ProgressLine*>(self)->Show("reading logs", done, total);
    }
    static void OfChecking(void* self, std::size_t done, std::size_t total) {
        static_cast<ProgressLine*>(self)->Show("checking", done, total);
    }

private:
    std::ostream& err_;
    bool enabled_;
    bool open_ = false;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace tavik::check
