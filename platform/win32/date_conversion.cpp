// Automation dates through the system's own conversion.
#include <windows.h>
#include <oleauto.h>

#include <cmath>

#include "platform/date_time.h"

namespace tavik {

bool ConvertAutomationDate(double value, CalendarTime& out) {
    // Not every version of the conversion refuses NaN, whose comparisons all fail.
    if (!std::isfinite(value)) return false;
    UDATE calendar{};
    if (FAILED(VarUdateFromDate(value, 0, &calendar))) return false;
    out.year = calendar.st.wYear;
    out.month = calendar.st.wMonth;
    out.day = calendar.st.wDay;
    out.hour = calendar.st.wHour;
    out.minute = calendar.st.wMinute;
    out.second = calendar.st.wSecond;
    return true;
}

}  // namespace tavik
