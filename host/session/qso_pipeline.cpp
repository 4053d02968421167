#include "host/session/qso_pipeline.h"

namespace tavik::host {

namespace {

constexpr std::size_t kBatchQsos = 2048;
constexpr std::size_t kBatches = 4;  // in flight at most: memory stays bounded

struct Stopped {};  // the consumer went away; the reading thread ends

}  // namespace

class QsoPipeline::Filler : public QsoHandler {
public:
    explicit Filler(QsoPipeline& pipeline)
        : pipeline_(pipeline), batch_(pipeline.Hand(nullptr)) {}

    void OnQso(const Qso& qso, std::size_t, std::size_t, Diagnostics&) override {
        if (!pipeline_.take_(qso)) return;
        batch_->qsos.Add(qso);
        batch_->prefixes.push_back(&pipeline_.countries_.CachedLookup(qso.call));
        if (batch_->prefixes.size() == kBatchQsos) batch_ = pipeline_.Hand(std::move(batch_));
    }

    void Flush() {
        if (!batch_->prefixes.empty()) pipeline_.Hand(std::move(batch_));
    }

private:
    QsoPipeline& pipeline_;
    std::unique_ptr<Batch> batch_;
};

QsoPipeline::QsoPipeline(const SourceFile& source, CountryFile& countries, Filter take)
    : source_(source), countries_(countries), take_(std::move(take)) {
    {
        MutexLock lock(mutex_);
        for (std::size_t i = 0; i < kBatches; ++i) empty_.push_back(std::make_unique<Batch>());
    }
    thread_ = std::thread([this] { Produce(); });
}

QsoPipeline::~QsoPipeline() {
    {
        MutexLock lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void QsoPipeline::Produce() {
    try {
        Filler filler(*this);
        Diagnostics quiet;  // every problem was told in the first reading
        ReadLog(source_, filler, quiet);
        filler.Flush();
    } catch (const Stopped&) {
    } catch (...) {
        MutexLock lock(mutex_);
        failure_ = std::current_exception();
    }
    {
        MutexLock lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

std::unique_ptr<QsoPipeline::Batch> QsoPipeline::Hand(std::unique_ptr<Batch> full) {
    MutexLock lock(mutex_);
    if (full) full_.push_back(std::move(full));
    changed_.notify_all();
    // Loops, not predicates: the analysis sees that the mutex is held here.
    while (empty_.empty() && !stopped_) changed_.wait(lock);
    if (stopped_) throw Stopped();
    std::unique_ptr<Batch> batch = std::move(empty_.back());
    empty_.pop_back();
    return batch;
}

void QsoPipeline::Drain(const std::function<void(const QsoView&, const char*)>& offer) {
    while (true) {
        std::unique_ptr<Batch> batch;
        {
            MutexLock lock(mutex_);
            while (full_.empty() && !finished_) changed_.wait(lock);
            if (full_.empty()) {
                if (failure_) std::rethrow_exception(failure_);
                return;
            }
            batch = std::move(full_.front());
            full_.pop_front();
        }
        for (std::size_t i = 0; i < batch->prefixes.size(); ++i)
            offer(batch->qsos.Get(i), batch->prefixes[i]->c_str());
        batch->qsos.Clear();
        batch->prefixes.clear();
        {
            MutexLock lock(mutex_);
            empty_.push_back(std::move(batch));
        }
        changed_.notify_all();
    }
}

}  // namespace tavik::host
