#include "cabrillo/cabrillo_dialog.h"

#include <utility>

#include "plugin/test_app.h"

namespace tavik {
namespace {

Cabrillo::Runner& TestRunner() {
    static Cabrillo::Runner runner;
    return runner;
}

}  // namespace

std::string Cabrillo::Text(int controlId) const {
    auto found = texts_.find(controlId);
    return found == texts_.end() ? std::string() : found->second;
}

int Cabrillo::DoModal() {
    if (TestRunner()) return TestRunner()(texts_);
    // Owned, like the message boxes, by the host's window, which stays disabled
    // while the dialog is open.
    DialogTexts shown = texts_;
    const int result = RunCabrilloDialog(theApp.OwnerWindow(), theApp.ModuleInstance(), shown);
    if (result == kDialogOk) texts_ = std::move(shown);
    return result;
}

void Cabrillo::ReplaceRunnerForTests(Runner runner) { TestRunner() = std::move(runner); }

}  // namespace tavik
