#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "checker/engine/workers.h"

using tavik::check::Workers;

namespace {

struct Seen {
    std::vector<std::size_t> done;
    std::size_t total = 0;
};

void Record(void* context, std::size_t done, std::size_t total) {
    static_cast<Seen*>(context)->done.push_back(done);
    static_cast<Seen*>(context)->total = total;
}

TEST(Workers, EveryItemOnceAndProgressUpToTheTotal) {
    for (unsigned jobs : {1u, 2u, 5u}) {
        Seen seen;
        Workers workers(jobs, Record, &seen, 30);
        std::vector<std::atomic<int>> calls(1000);
        std::atomic<unsigned> highestThread{0};
        workers.Run(calls.size(), 20, [&](unsigned thread, std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) ++calls[i];
            if (thread > highestThread) highestThread = thread;
        });
        workers.Run(0, 10, [](unsigned, std::size_t, std::size_t) { FAIL(); });
        for (const auto& count : calls) EXPECT_EQ(count, 1);
        EXPECT_LT(highestThread, jobs);
        EXPECT_EQ(seen.total, 30u);
        for (std::size_t i = 1; i < seen.done.size(); ++i)
            EXPECT_LE(seen.done[i - 1], seen.done[i]);
        EXPECT_EQ(seen.done.back(), 30u);
    }
}

TEST(Workers, AFailureOnAnyThreadReachesTheCallerAndStopsTheRest) {
    for (unsigned jobs : {1u, 3u}) {
        Workers workers(jobs, nullptr, nullptr, 1);
        std::atomic<int> chunks{0};
        auto work = [&](unsigned, std::size_t begin, std::size_t) {
            ++chunks;
            if (begin >= 300) throw std::runtime_error("no memory");
        };
        EXPECT_THROW(workers.Run(600, 1, work), std::runtime_error);
        // Chunks of 600 / 16 = 37 on one thread: the one from 333 throws, none follows.
        if (jobs == 1) {
            EXPECT_EQ(chunks, 10);
        }
    }
}

}  // namespace
