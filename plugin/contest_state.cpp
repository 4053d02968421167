#include "plugin/contest_state.h"

#include "plugin/test_app.h"

namespace tavik {

// Static objects of the library, defined here together because their order of
// construction (and the reverse order of destruction) is fixed: the application
// object first, then the header settings and the host link's client when they
// join, then the scoring state.
CTestApp theApp;

namespace {
ContestState contestState;
}  // namespace

ContestState& TheContestState() { return contestState; }

}  // namespace tavik
