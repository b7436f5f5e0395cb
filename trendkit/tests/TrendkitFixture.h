// Test support for trendkit: plotkit's reference host with trendkit bound to the same top block,
// graphs with a value range and axes, and a recording alarm procedure.
#pragma once

#include "PlotkitFixture.h"
#include "TrendkitInternal.h"
#include "testkit/Image.h"

#include <functional>
#include <string>
#include <vector>

namespace trendkit::test
{

// One call of the alarm procedure.
struct AlarmCall
{
    int slot, index, kind;
    float value;
    int state;
    bool operator==(const AlarmCall&) const = default;
};
std::vector<AlarmCall>& AlarmCalls();
void WINAPI RecordAlarm(int slot, int index, int kind, float value, int state);

class TrendkitTest : public plotkit::test::PlotkitTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A built graph on a new page whose world runs 0..100 in x and y over a plot area from 10% to 90%
    // of the graph, with an X axis (object 1) and a Y axis (object 2) over that range; `build` adds
    // more objects while the graph builds.
    GrDesc* RangedGraph(std::function<void(GrDesc*)> build = {});
    // Adds an axis over the graph's world ranges (direction 1: X axis).
    static WORD AddAxis(GrDesc* graph, int direction);
    // A data set of `count` values and history `capacity`.
    static int DefineSet(int count, UINT capacity = 0, const char* name = nullptr);

    // What the window shows now (pending paints done first), and after a full repaint.
    static kel::testkit::Image Shown(GrDesc* graph);
    static kel::testkit::Image Repainted(GrDesc* graph);
    // Saves the image as trendkit_<name>.png in the folder KEL_KEEP_SCREENSHOTS names, if any.
    static void Keep(const kel::testkit::Image& image, const std::string& name);
    // The drawing the updates left equals a full repaint of the same state; returns what was shown.
    static kel::testkit::Image ExpectLikeRepaint(GrDesc* graph, const std::string& stage);
    // A ranged graph (see RangedGraph) with a white plot.
    GrDesc* WhiteGraph(std::function<void(GrDesc*)> build);
};

} // namespace trendkit::test
