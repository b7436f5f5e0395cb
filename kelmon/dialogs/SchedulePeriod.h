// Trigger periods shown in whole minutes. A period is kept in seconds; the schedule dialogs show it
// in minutes when the scan says so. All of them round the same way, to the nearest minute with
// half a minute going up, so 90 s shows as 2 and 89 s as 1. The smallest period a dialog accepts
// is rounded up instead, so that it still covers one sweep.
#pragma once

namespace kel::schedule
{
// The nearest whole number of minutes to `seconds` (0 or more); 30 s and up round upward.
constexpr int NearestMinutes(int seconds)
{
    return seconds <= 0 ? 0 : (seconds + 30) / 60;
}

// The fewest whole minutes that cover `seconds`, at least 1.
constexpr int MinutesCovering(int seconds)
{
    const int minutes = seconds <= 0 ? 0 : (seconds + 59) / 60;
    return minutes < 1 ? 1 : minutes;
}
} // namespace kel::schedule
