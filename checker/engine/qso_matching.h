// Which QSO of the partner's log each QSO is: the same QSO logged by both
// sides, or a pair that shows a busted call on one side or on both.
#pragma once

#include <cstdint>
#include <vector>

#include "checker/engine/cross_check.h"
#include "checker/engine/qso_index.h"
#include "checker/engine/workers.h"

namespace tavik::check {

enum class Link : std::uint8_t {
    kNone,
    kMatched,      // both logged each other's call
    kCalledWrong,  // this QSO logged a call one away from the partner's
    kCalledRight,  // the partner logged this log's call one away
    kBothWrong,    // each side logged the other's call one away
};

// Written from several threads, each QSO's link by one thread only.
struct Links {
    std::vector<Link> kind;            // by indexed QSO
    std::vector<std::uint32_t> other;  // by indexed QSO: the partner's, kNoId for kNone

    bool Free(std::uint32_t qso) const { return kind[qso] == Link::kNone; }
    void Join(std::uint32_t a, Link aKind, std::uint32_t b, Link bKind) {
        kind[a] = aKind;
        other[a] = b;
        kind[b] = bKind;
        other[b] = a;
    }
};

// QSOs of A with B and of B with A on a band, nearest in time first, each at
// most once, within the window by the corrected clocks. Reports units of progress.
Links MatchQsos(const QsoIndex& index, const CheckSettings& settings, Workers& workers,
                std::size_t units);

// Of the QSOs left, the pairs that show busted calls, nearest first, those with
// one call busted before those with both. Reports units of progress.
void FindBustedCalls(const QsoIndex& index, const CheckSettings& settings, Links& links,
                     Workers& workers, std::size_t units);

}  // namespace tavik::check
