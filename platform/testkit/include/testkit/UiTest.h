// Ui tests. A test executable made with kel_add_ui_gtest has Qt started on its main thread before
// the first test (offscreen under CTest) and ended after the last.
#pragma once

#include <gtest/gtest.h>

#include <functional>

namespace kel::testkit
{

// Each test runs with a fresh window manager on the Qt driver; it is shut down after the test
// (windows left over are destroyed).
class UiTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

public:
    // Runs Qt's events and dispatches this thread's messages until pred() holds or timeoutMs (real
    // time) passes; returns pred().
    static bool PumpUntil(const std::function<bool()>& pred, int timeoutMs = 3000);
    // Runs events and messages for about ms milliseconds.
    static void Pump(int ms = 20);
};

} // namespace kel::testkit
