#include "plugin/contest_state.h"

#include "cabrillo/header_settings.h"
#include "hostlink/host_link.h"
#include "plugin/test_app.h"

namespace tavik {

// Static objects of the library, defined here together because their order of
// construction (and the reverse order of destruction) is fixed: the application
// object first, then the header settings, the host link, then the scoring state.
CTestApp theApp;

namespace {
HeaderSettings headerSettings;
HostLink hostLink;
ContestState contestState;
}  // namespace

HeaderSettings& TheHeaderSettings() { return headerSettings; }
HostLink& TheHostLink() { return hostLink; }
ContestState& TheContestState() { return contestState; }

}  // namespace tavik
