#include "plugin/test_app.h"

// The object itself is defined with the rest of the static state, so that the
// objects come to life in their fixed order.
