// No curses on Windows: the watch runs without the window.
#include "host/live/live_view.h"

namespace tavik::host {

std::unique_ptr<LiveView> LiveView::Open(CallChecker /*checker*/, LiveViewSettings /*settings*/) { return nullptr; }

}  // namespace tavik::host
