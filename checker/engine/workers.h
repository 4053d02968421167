// The engine's threads: work split in chunks over the calling thread and
// jobs - 1 others, progress reported from the calling thread alone.
// Used by more than one thread: Run's work is called concurrently.
#pragma once

#include <cstddef>
#include <functional>

#include "checker/engine/cross_check.h"

namespace tavik::check {

class Workers {
public:
    // total: the progress units all phases together will report.
    Workers(unsigned jobs, CheckProgress progress, void* context, std::size_t total);

    unsigned Count() const { return threads_; }

    // Calls work(thread, begin, end) for chunks covering [0, count), thread in
    // [0, Count()); returns when every chunk is done, having reported units more.
    using Work = std::function<void(unsigned thread, std::size_t begin, std::size_t end)>;
    void Run(std::size_t count, std::size_t units, const Work& work);

    // Reports units more from the calling thread, for work done there alone.
    void Advance(std::size_t units);

private:
    void Report(std::size_t done);

    unsigned threads_;
    CheckProgress progress_;
    void* context_;
    std::size_t total_;
    std::size_t reported_ = 0;
};

}  // namespace tavik::check
