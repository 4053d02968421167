// The header dialog as the settings see it: a text per control, run once.
#pragma once

#include <functional>
#include <string>

#include "platform/form_dialog.h"

namespace tavik {

class Cabrillo {
public:
    // Replaces the real dialog, for tests: gets the start values, returns the result
    // and, after OK, leaves the collected texts in place.
    using Runner = std::function<int(DialogTexts& texts)>;

    void SetText(int controlId, const std::string& text) { texts_[controlId] = text; }
    // The control's text; after OK, what the control held.
    std::string Text(int controlId) const;

    // 1 for OK, 2 for Cancel, another value when the dialog cannot be created.
    int DoModal();

    static void ReplaceRunnerForTests(Runner runner);

private:
    DialogTexts texts_;
};

}  // namespace tavik
