// The automation date-time record as the host lays it out in memory: days since
// 30 Dec 1899 with the time of day as the fraction, then a status.
#pragma once

#include <cstddef>
#include <cstdint>

struct COleDateTime {
    double value;
    int32_t status;
};
static_assert(offsetof(COleDateTime, status) == 8, "status follows the 64-bit value");

enum DateTimeStatus : int32_t { kDateTimeValid = 0, kDateTimeInvalid = 1, kDateTimeNull = 2 };
