// PID loops: definition, the control step with its filter, rate limit and anti-windup, manual
// mode with bumpless return to automatic, constant changes without output jumps, and deletion.
#include "TrendkitInternal.h"

#include <cmath>
#include <cstdlib>

namespace trendkit
{
namespace
{

float ClampInto(float value, float low, float high)
{
    if (value < low)
        value = low;
    if (value > high)
        value = high;
    return value;
}

// The derivative term from the error history (no shift).
float Derivative(const PidLoopDesc* loop)
{
    if (loop->kd == 0.0f)
        return 0.0f;
    return (loop->e + 3.0f * (loop->e1 - loop->e2) - loop->e3) / 6.0f;
}

// The integral sum for which the controller gives the loop's current output with error `e` and
// derivative `d`. Without an integral action the sum plays no part and is left as it is.
void BackCalculate(PidLoopDesc* loop, float e, float d)
{
    if (loop->ki == 0.0f || !std::isfinite(loop->ki))
        return;
    const float sum = (loop->output - loop->kc * e - loop->kd * d - loop->bias) / loop->ki;
    if (std::isfinite(sum))
        loop->integralSum = sum;
}

// Keeps the output at the same value after a change of constants or bias.
void RebaseIntegral(PidLoopDesc* loop)
{
    if (loop->automatic == 0)
        return;
    BackCalculate(loop, loop->e, Derivative(loop));
}

void SetConstants(PidLoopDesc* loop, float gain, float integral, float derivativeTime)
{
    loop->kc = gain;
    loop->ki = gain * loop->dt * integral;
    loop->kd = gain * derivativeTime / loop->dt;
}

} // namespace

PidLoopDesc* GetPidLoop(int slot)
{
    RTTopBlock* block = TopBlock();
    if (block == nullptr || slot < 1 || slot > RT_MAX_PID)
        return nullptr;
    return static_cast<PidLoopDesc*>(block->pidLoops[slot]);
}

void FreeAllPIDs()
{
    for (int slot = 1; slot <= RT_MAX_PID; ++slot)
        WRDeletePID(slot, 1);
}

} // namespace trendkit

using namespace trendkit;

int WINAPI WRDefinePID(int pvSlot, int outSlot, const char* name, float setpoint, float gain, float integral,
                       float derivativeTime, float bias, float pvHigh, float pvLow, float outEndA, float outEndB,
                       float limitHigh, float limitLow, float rateLimit, float dt, float filter, int action)
{
    RTTopBlock* block = TopBlock();
    if (block == nullptr)
        return 0;
    int slot = 1;
    while (slot <= RT_MAX_PID && block->pidLoops[slot] != nullptr)
        ++slot;
    if (slot > RT_MAX_PID)
        return 0;
    auto* loop = static_cast<PidLoopDesc*>(std::calloc(1, sizeof(PidLoopDesc)));
    if (loop == nullptr)
    {
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    if (DynDataSetDesc* set = GetDynDataSet(pvSlot))
    {
        loop->pvSlot = pvSlot;
        loop->pvSet = set;
        if (set->valueCount > 2)
            set->valueCount = 2;
    }
    if (DynDataSetDesc* set = GetDynDataSet(outSlot))
    {
        loop->outSlot = outSlot;
        loop->outSet = set;
        set->valueCount = 1;
        set->bits = (set->bits | 1u) & ~2u;
    }
    loop->setpoint = ClampInto(setpoint, pvLow, pvHigh);
    loop->dt = dt;
    SetConstants(loop, gain, integral, derivativeTime);
    CopyText(loop->name, name, RT_NAME_MAX);
    loop->rangeHigh = outEndA > outEndB ? outEndA : outEndB;
    loop->rangeLow = outEndA > outEndB ? outEndB : outEndA;
    loop->limitHigh = limitHigh < loop->rangeHigh ? limitHigh : loop->rangeHigh;
    loop->limitLow = limitLow > loop->rangeLow ? limitLow : loop->rangeLow;
    loop->pvHigh = pvHigh;
    loop->pvLow = pvLow;
    // A process range without span has no unit conversion to offer: errors count one to one.
    const float pvSpan = pvHigh - pvLow;
    loop->scale = pvSpan != 0.0f ? (loop->rangeHigh - loop->rangeLow) / pvSpan : 1.0f;
    loop->rateLimit = rateLimit;
    loop->alpha = filter;
    loop->bias = bias;
    loop->output = bias;
    loop->action = action;
    loop->automatic = 1;
    loop->slot = slot;
    block->pidLoops[slot] = loop;
    return slot;
}

int WINAPI WRCalcPID(int slot, float pv, float* output)
{
    PidLoopDesc* loop = GetPidLoop(slot);
    if (loop == nullptr)
        return 0;
    const float f = (1.0f - loop->alpha) * pv + loop->alpha * loop->filtered;
    float e = (loop->setpoint - f) * loop->scale;
    if (loop->action != 0)
        e = -e;
    loop->e = e;
    loop->e0 = e;
    float d = 0.0f;
    if (loop->kd != 0.0f)
    {
        loop->e3 = loop->e2;
        loop->e2 = loop->e1;
        loop->e1 = loop->e0;
        d = Derivative(loop);
    }
    float u = loop->output;
    if (loop->automatic != 0)
    {
        const float base = loop->kc * e + loop->kd * d + loop->bias;
        const float candidate = loop->integralSum + e;
        u = base + loop->ki * candidate;
        // Anti-windup: while the output is beyond a limit, the sum does not grow further into it.
        const float step = loop->ki * e;
        const bool intoLimit = (u > loop->limitHigh && step > 0.0f) || (u < loop->limitLow && step < 0.0f);
        const float sum = intoLimit ? loop->integralSum : candidate;
        const float previous = loop->output;
        const float rate = (u - previous) / loop->dt;
        if (loop->rateLimit > 0.0f && std::fabs(rate) > loop->rateLimit)
            u = rate >= 0.0f ? previous + loop->rateLimit * loop->dt : previous - loop->rateLimit * loop->dt;
        else
            loop->integralSum = sum;
    }
    u = ClampInto(u, loop->limitLow, loop->limitHigh);
    loop->output = u;
    // In manual the sum follows the output, so the return to automatic starts from it.
    if (loop->automatic == 0)
        BackCalculate(loop, e, d);
    loop->pv = pv;
    // The sets are reached through their slots: a set freed meanwhile is not written.
    if (DynDataSetDesc* set = loop->pvSlot != 0 ? GetDynDataSet(loop->pvSlot) : nullptr)
    {
        set->setpoint = loop->setpoint;
        const float sample[2] = {pv, loop->setpoint};
        WRUpdateData(loop->pvSlot, sample, nullptr);
    }
    if (loop->outSlot != 0 && GetDynDataSet(loop->outSlot) != nullptr)
    {
        WRUpdateData(loop->outSlot, &loop->output, nullptr);
        const UINT bits = WRGetBinData(loop->outSlot);
        if (loop->automatic != 0 && (bits & 1u) == 0)
            WRSetBitExclusive(loop->outSlot, 0, nullptr);
        else if (loop->automatic == 0 && (bits & 1u) != 0)
            WRSetBitExclusive(loop->outSlot, 1, nullptr);
    }
    loop->filtered = f;
    if (output != nullptr)
        *output = loop->output;
    return 1;
}

void WINAPI WRChangePIDSetp(int slot, float setpoint)
{
    if (PidLoopDesc* loop = GetPidLoop(slot))
        loop->setpoint = ClampInto(setpoint, loop->pvLow, loop->pvHigh);
}

void WINAPI WRChangePIDSteadyState(int slot, float bias)
{
    if (PidLoopDesc* loop = GetPidLoop(slot))
    {
        loop->bias = bias;
        RebaseIntegral(loop);
    }
}

void WINAPI WRChangePIDConstants(int slot, float gain, float integral, float derivativeTime)
{
    if (PidLoopDesc* loop = GetPidLoop(slot))
    {
        SetConstants(loop, gain, integral, derivativeTime);
        RebaseIntegral(loop);
    }
}

int WINAPI WRGetPIDConstants(int slot, float* gain, float* integral, float* derivativeTime)
{
    PidLoopDesc* loop = GetPidLoop(slot);
    if (loop == nullptr)
        return 0;
    // Without gain or sample time the factors hold no constants to give back: those read as 0.
    const float kcDt = loop->kc * loop->dt;
    if (gain != nullptr)
        *gain = loop->kc;
    if (integral != nullptr)
        *integral = kcDt != 0.0f ? loop->ki / kcDt : 0.0f;
    if (derivativeTime != nullptr)
        *derivativeTime = loop->kc != 0.0f ? loop->kd * loop->dt / loop->kc : 0.0f;
    return 1;
}

int WINAPI WRGetPIDSetp(int slot, float* setpoint)
{
    PidLoopDesc* loop = GetPidLoop(slot);
    if (loop == nullptr)
        return 0;
    if (setpoint != nullptr)
        *setpoint = loop->setpoint;
    return 1;
}

int WINAPI WRGetPIDAutoState(int slot)
{
    PidLoopDesc* loop = GetPidLoop(slot);
    return loop != nullptr ? loop->automatic : 0;
}

void WINAPI WRChangePIDAutoState(int slot, int state)
{
    if (PidLoopDesc* loop = GetPidLoop(slot))
        loop->automatic = state;
}

int WINAPI WRChangePIDOut(int slot, float output)
{
    PidLoopDesc* loop = GetPidLoop(slot);
    if (loop == nullptr || loop->automatic != 0)
        return 0;
    loop->output = output;
    return 1;
}

void WINAPI WRDeletePID(int slot, int freeSets)
{
    PidLoopDesc* loop = GetPidLoop(slot);
    if (loop == nullptr)
        return;
    TopBlock()->pidLoops[slot] = nullptr;
    if (freeSets != 0)
    {
        if (loop->pvSlot != 0)
            WRFreeDynDataSet(loop->pvSlot);
        if (loop->outSlot != 0 && loop->outSlot != loop->pvSlot)
            WRFreeDynDataSet(loop->outSlot);
    }
    std::free(loop);
}
