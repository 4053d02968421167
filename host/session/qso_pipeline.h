// The second reading of a log on a thread of its own, so that reading, mapping and
// the country lookups overlap the plugin's work on the QSOs before. Threads: the
// reading thread uses the source and the country file while the pipeline lives;
// the caller must leave both alone until it is destroyed.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/thread_safety.h"
#include "host/input/country_file.h"
#include "host/input/log_reader.h"
#include "host/input/qso_store.h"

namespace tavik::host {

class QsoPipeline {
public:
    // QSOs for which take is true are read from source in order, each with the
    // country prefix of its call.
    using Filter = std::function<bool(const Qso&)>;
    QsoPipeline(const SourceFile& source, CountryFile& countries, Filter take);
    ~QsoPipeline();

    // Calls offer(qso, prefix) for every QSO, in the log's order, on this thread.
    // Rethrows what the reading thread threw.
    void Drain(const std::function<void(const QsoView&, const char*)>& offer);

private:
    struct Batch {
        QsoStore qsos;
        std::vector<const std::string*> prefixes;
    };
    class Filler;

    void Produce();
    // On the reading thread; returns an empty batch.
    std::unique_ptr<Batch> Hand(std::unique_ptr<Batch> full) TAVIK_EXCLUDES(mutex_);

    const SourceFile& source_;
    CountryFile& countries_;
    Filter take_;
    Mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<std::unique_ptr<Batch>> full_ TAVIK_GUARDED_BY(mutex_);
    std::vector<std::unique_ptr<Batch>> empty_ TAVIK_GUARDED_BY(mutex_);
    bool finished_ TAVIK_GUARDED_BY(mutex_) = false;
    bool stopped_ TAVIK_GUARDED_BY(mutex_) = false;  // the consumer has gone
    std::exception_ptr failure_ TAVIK_GUARDED_BY(mutex_);
    std::thread thread_;
};

}  // namespace tavik::host
