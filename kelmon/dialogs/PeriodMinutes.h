// How the schedule dialogs show a period kept in seconds as whole minutes, and take it back. All of
// them round the same way: to the nearest minute, half a minute upward (90 s shows as 2). A period
// whose minutes the user left as shown keeps its seconds on Apply, so 90 s stays 90 s and only a
// value the user typed becomes whole minutes.
#pragma once

namespace kel::period
{

// Whole minutes shown for seconds (seconds >= 0).
constexpr int ShownMinutes(int seconds)
{
    return seconds < 0 ? 0 : (seconds + 30) / 60;
}

// The seconds an Apply writes for minutes shown in the field: the loaded seconds when minutes is
// still what they showed as, else minutes x 60.
constexpr int MinutesToSeconds(int minutes, int loadedSeconds)
{
    return minutes == ShownMinutes(loadedSeconds) ? loadedSeconds : minutes * 60;
}

// The least whole minutes that cover seconds (at least 1): a minimum period never shorter than
// the sweep it has to hold.
constexpr int MinutesCovering(int seconds)
{
    const int minutes = seconds <= 0 ? 0 : (seconds + 59) / 60;
    return minutes < 1 ? 1 : minutes;
}

} // namespace kel::period
