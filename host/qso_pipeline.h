// The second reading of a log on a thread of its own, so that reading, mapping and
// the country lookups overlap the plugin's work on the QSOs before.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/country_file.h"
#include "host/log_reader.h"
#include "host/qso_store.h"

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
    std::unique_ptr<Batch> Hand(std::unique_ptr<Batch> full);  // returns an empty batch

    const SourceFile& source_;
    CountryFile& countries_;
    Filter take_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Batch>> full_;
    std::vector<std::unique_ptr<Batch>> empty_;
    bool finished_ = false;
    bool stopped_ = false;  // the consumer has gone
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace tavik::host
