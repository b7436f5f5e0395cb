// The program's one looping alarm sound. The sound layer has a single slot: a second looping sound
// replaces the first, and a stop request silences whatever plays. Table channels and the leak test
// of every document raise alarms independently, so they go through this arbiter: each owner asks
// for its sound and gives it up, and the slot falls silent only when no owner still sounds. When
// the owner whose sound plays gives up while another still sounds, that one's sound takes over.
// Thread-safe: owners start and stop from scan workers and the user-interface thread.
#pragma once

#include "mfc/String.h"

#include <mutex>
#include <string>
#include <vector>

class CAlarmSound
{
public:
    static CAlarmSound& Instance();

    // The owner's alarm sounds `file` (a wave file path; empty: the default alarm sound's name is
    // the caller's business) asynchronously and looping. Nothing restarts when the owner already
    // sounds the same file; the owner's latest request is the one that plays.
    void Start(const void* owner, const CString& file);
    // The owner's alarm is over. The slot stops when no other owner sounds; otherwise the most
    // recent remaining request plays.
    void Stop(const void* owner);
    // Whether the owner's alarm is sounding.
    bool IsSounding(const void* owner) const;
    // Silences everything and forgets every owner (the program's end).
    void StopAll();

private:
    CAlarmSound() = default;
    struct Request
    {
        const void* owner;
        std::string file;
    };
    // Makes the slot play the latest request, or stop when there is none. Caller holds the lock.
    void Apply();

    mutable std::mutex m_mutex;
    std::vector<Request> m_requests; // oldest first
    std::string m_playing;           // the file in the slot; empty when silent
    bool m_sounding = false;
};
