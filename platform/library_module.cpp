#include "platform/library_module.h"

namespace tavik {
namespace {

void* gModule = nullptr;

}  // namespace

void SetLibraryModule(void* module) { gModule = module; }
void* LibraryModule() { return gModule; }

}  // namespace tavik
