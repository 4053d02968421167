#include "cabrillo/cabrillo_dialog.h"

#include <utility>

#include "cabrillo/dialog_layout.h"
#include "platform/library_module.h"
#include "platform/user_interface.h"

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
    // Owned, like the message boxes, by the host's window (the application's rule),
    // which stays disabled while the dialog is open.
    DialogTexts shown = texts_;
    const int result = RunFormDialog(kCabrilloForm, FindOwnerWindow(), LibraryModule(), shown);
    if (result == kDialogOk) texts_ = std::move(shown);
    return result;
}

void Cabrillo::ReplaceRunnerForTests(Runner runner) { TestRunner() = std::move(runner); }

}  // namespace tavik
