#include "checker/engine/verdicts.h"

namespace tavik::check {
namespace {

QsoOutcome Judge(const std::vector<EntrantLog>& logs, const QsoIndex& index, const Links& links,
                 std::uint32_t q) {
    const IndexedQso& mine = index.qsos[q];
    QsoOutcome outcome;
    const Link link = links.kind[q];
    if (link == Link::kNone) {
        if (index.hasLog[mine.worked])
            outcome.verdict = Verdict::kNil;
        else if (index.namedBy[mine.worked] < 2)
            outcome.verdict = Verdict::kUnique;
        return outcome;
    }
    const IndexedQso& theirs = index.qsos[links.other[q]];
    outcome.evidence = {theirs.log, theirs.qso};
    if (link == Link::kCalledWrong || link == Link::kBothWrong) {
        outcome.verdict = Verdict::kBustedCall;
        outcome.detail = logs[theirs.log].call;
        return outcome;
    }
    const std::string& sent = logs[theirs.log].qsos[theirs.qso].sent;
    if (logs[mine.log].qsos[mine.qso].received != sent) {
        outcome.verdict = Verdict::kBustedExchange;
        outcome.detail = sent;
    }
    return outcome;
}

}  // namespace

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::kOk: return "ok";
    case Verdict::kUnique: return "unique";
    case Verdict::kDupe: return "dupe";
    case Verdict::kNil: return "nil";
    case Verdict::kBustedCall: return "busted-call";
    case Verdict::kBustedExchange: return "busted-exchange";
    case Verdict::kOutOfPeriod: return "out-of-period";
    case Verdict::kRefused: return "refused";
    }
    return "?";
}

std::vector<LogOutcome> OutcomesAlone(const std::vector<EntrantLog>& logs, Workers& workers,
                                      std::size_t units) {
    std::vector<LogOutcome> outcomes(logs.size());
    workers.Run(logs.size(), units, [&](unsigned, std::size_t first, std::size_t last) {
        for (std::size_t l = first; l < last; ++l) {
            const std::vector<LoggedQso>& qsos = logs[l].qsos;
            std::vector<QsoOutcome>& judged = outcomes[l].qsos;
            judged.resize(qsos.size());
            for (std::size_t q = 0; q < qsos.size(); ++q) {
                if (qsos[q].alone == Verdict::kOk) continue;
                judged[q].verdict = qsos[q].alone;
                judged[q].detail = qsos[q].aloneDetail;
            }
        }
    });
    return outcomes;
}

void JudgeQsos(const std::vector<EntrantLog>& logs, const QsoIndex& index, const Links& links,
               std::vector<LogOutcome>& outcomes, Workers& workers, std::size_t units) {
    workers.Run(index.qsos.size(), units, [&](unsigned, std::size_t first, std::size_t last) {
        for (std::size_t q = first; q < last; ++q) {
            const IndexedQso& mine = index.qsos[q];
            outcomes[mine.log].qsos[mine.qso] =
                Judge(logs, index, links, static_cast<std::uint32_t>(q));
        }
    });
}

}  // namespace tavik::check
