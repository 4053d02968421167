// The module the library was loaded as, which holds its resources (the header
// dialog's template); the system's entry point of the library records it.
#pragma once

namespace tavik {

void SetLibraryModule(void* module);
// Null where the system does not say (a program linking the code statically).
void* LibraryModule();

}  // namespace tavik
