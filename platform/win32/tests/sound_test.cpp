// PlaySound and sndPlaySound hand their requests to the installed handler.
#include "windows.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

TEST(SoundTest, RequestsReachTheHandlerWithNameModuleAndFlags)
{
    std::vector<kel::SoundRequest> seen;
    auto previous = kel::SetSoundHandler([&](const kel::SoundRequest& r) {
        seen.push_back(r);
        return r.name != "missing.wav";
    });
    HMODULE module = reinterpret_cast<HMODULE>(0x1234);
    struct Case
    {
        LPCSTR sound;
        HMODULE module;
        DWORD flags;
        const char* name;
        HMODULE keptModule;
        BOOL result;
    } cases[] = {
        {"alarm.wav", module, SND_FILENAME | SND_ASYNC, "alarm.wav", nullptr, TRUE}, // a file has no module
        {MAKEINTRESOURCE(7), module, SND_RESOURCE, "#7", module, TRUE},
        {nullptr, nullptr, SND_PURGE, "", nullptr, TRUE},
        {"missing.wav", nullptr, SND_FILENAME, "missing.wav", nullptr, FALSE},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(PlaySound(c.sound, c.module, c.flags), c.result) << c.name;
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back().name, c.name);
        EXPECT_EQ(seen.back().module, c.keptModule) << c.name;
        EXPECT_EQ(seen.back().flags, c.flags) << c.name;
    }
    EXPECT_TRUE(sndPlaySound("beep.wav", SND_ASYNC | SND_LOOP));
    EXPECT_EQ(seen.back().name, "beep.wav");
    EXPECT_EQ(seen.back().flags, static_cast<DWORD>(SND_ASYNC | SND_LOOP));

    kel::SetSoundHandler(previous);
    const size_t count = seen.size();
    EXPECT_TRUE(PlaySound("alarm.wav", nullptr, SND_FILENAME)) << "silent success without a handler";
    EXPECT_EQ(seen.size(), count);
}

} // namespace
