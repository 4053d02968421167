// The folders of a check: the private one the plugin works in, and the results.
#pragma once

#include <string>

namespace tavik::check {

// A new empty folder under the system's temporary folder; "" and why in error when
// none can be made.
std::string MakeScratchFolder(std::string& error);

// Writes text to path whole, in one large write; false when it cannot.
bool WriteWholeFile(const std::string& path, const std::string& text);

// Makes out and out/ubn, and proves out writable; "" or why not.
std::string PrepareOutFolder(const std::string& out);

}  // namespace tavik::check
