// Renders a live dialog (so painting runs in every test) and, with KEL_KEEP_SCREENSHOTS=<folder>,
// keeps it there as <name>.png to look at.
#pragma once

#include "testkit/DialogDriver.h"
#include "testkit/Image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kel::testkit
{
inline void KeepPicture(DialogDriver& d, const char* name)
{
    d.Pump();
    const Image image = CaptureWindow(d.Dialog());
    EXPECT_FALSE(image.Empty());
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
    {
        std::filesystem::create_directories(keep);
        EXPECT_TRUE(SavePng(image, (std::filesystem::path(keep) / (std::string(name) + ".png")).string()));
    }
}
} // namespace kel::testkit
