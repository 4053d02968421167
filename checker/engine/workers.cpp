#include "checker/engine/workers.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace tavik::check {
namespace {

// Enough chunks that a slow one does not leave the other threads idle for long.
constexpr std::size_t kChunksPerThread = 16;

}  // namespace

Workers::Workers(unsigned jobs, CheckProgress progress, void* context, std::size_t total)
    : threads_(jobs != 0 ? jobs : std::max(1u, std::thread::hardware_concurrency())),
      progress_(progress), context_(context), total_(total) {}

void Workers::Report(std::size_t done) {
    if (progress_) progress_(context_, std::min(done, total_), total_);
}

void Workers::Advance(std::size_t units) {
    reported_ += units;
    Report(reported_);
}

void Workers::Run(std::size_t count, std::size_t units, const Work& work) {
    const std::size_t base = reported_;
    if (count == 0) {
        Advance(units);
        return;
    }
    const std::size_t threads = std::min<std::size_t>(threads_, count);
    const std::size_t chunk = std::max<std::size_t>(1, count / (threads * kChunksPerThread));
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    std::exception_ptr failure;
    std::once_flag failed;
    auto loop = [&](unsigned thread, bool reports) {
        try {
            for (std::size_t begin; (begin = next.fetch_add(chunk)) < count;) {
                const std::size_t end = std::min(count, begin + chunk);
                work(thread, begin, end);
                const std::size_t done = finished.fetch_add(end - begin) + (end - begin);
                if (reports) Report(base + done * units / count);
            }
        } catch (...) {
            // The first failure is rethrown once every thread has stopped.
            std::call_once(failed, [&] { failure = std::current_exception(); });
            next = count;
        }
    };
    std::vector<std::thread> others;
    others.reserve(threads - 1);
    try {
        for (unsigned thread = 1; thread < threads; ++thread)
            others.emplace_back(loop, thread, false);
    } catch (const std::system_error&) {
        // Fewer threads than asked: those started and this one do the work.
    }
    loop(0, true);
    for (std::thread& other : others) other.join();
    if (failure) std::rethrow_exception(failure);
    reported_ = base + units;
    Report(reported_);
}

}  // namespace tavik::check
