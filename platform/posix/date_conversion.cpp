// Without the automation library the portable conversion stands in for it.
#include "platform/own_date_conversion.h"

namespace tavik {

bool ConvertAutomationDate(double value, CalendarTime& out) {
    return OwnConvertAutomationDate(value, out);
}

}  // namespace tavik
