#include "sound/AlarmSound.h"

#include "testkit/SoundRecorder.h"
#include "win32/sound.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

// What reaches the sound slot ("play <file>" or "stop"); every owner silenced afterwards.
class SlotRecorder : public kel::testkit::SoundRecorder
{
public:
    ~SlotRecorder() { CAlarmSound::Instance().StopAll(); }
};

using Calls = std::vector<std::string>;

TEST(AlarmSoundTest, OneOwnerStoppingNeverSilencesAnotherOwnersAlarm)
{
    SlotRecorder slot;
    CAlarmSound& sound = CAlarmSound::Instance();
    const int tableOfDocA = 0, leakOfDocB = 0;

    sound.Start(&tableOfDocA, "Alarm.wav");
    sound.Start(&tableOfDocA, "Alarm.wav"); // a further alarm of the same owner changes nothing
    sound.Start(&leakOfDocB, "Leak.wav");
    sound.Stop(&leakOfDocB); // A still sounds: its sound comes back, the slot never stops
    EXPECT_TRUE(sound.IsSounding(&tableOfDocA));
    EXPECT_FALSE(sound.IsSounding(&leakOfDocB));
    sound.Stop(&leakOfDocB); // an owner that does not sound asks nothing of the slot
    sound.Stop(&tableOfDocA);

    EXPECT_EQ(slot.Calls(), (Calls{"play Alarm.wav", "play Leak.wav", "play Alarm.wav", "stop"}));
}

TEST(AlarmSoundTest, TwoOwnersOfOneFileShareItUntilTheLastStops)
{
    SlotRecorder slot;
    CAlarmSound& sound = CAlarmSound::Instance();
    const int a = 0, b = 0;

    sound.Start(&a, "Alarm.wav");
    sound.Start(&b, "Alarm.wav");
    sound.Stop(&a);
    EXPECT_EQ(slot.Calls(), (Calls{"play Alarm.wav"}));
    sound.Stop(&b);
    EXPECT_EQ(slot.Calls(), (Calls{"play Alarm.wav", "stop"}));
}

} // namespace
