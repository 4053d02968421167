// Automation date to calendar fields in plain C++, for systems without the
// automation library and for checking against it where it exists.
#pragma once

#include "platform/date_time.h"

namespace tavik {

// Same contract as ConvertAutomationDate.
bool OwnConvertAutomationDate(double value, CalendarTime& out);

}  // namespace tavik
