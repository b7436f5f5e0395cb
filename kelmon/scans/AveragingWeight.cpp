#include "scans/AveragingWeight.h"

#include <cmath>

float AveragingWeight(float x, int n)
{
    if (n < 0)
        return 0.0f;
    const float q = 1.0f - x;
    float sum = 0.0f;
    for (int k = n; k >= 0; --k)
        sum += x * std::pow(q, static_cast<float>(k));
    return sum;
}

float InverseAveragingWeight(float target, int n)
{
    constexpr float kTolerance = 0.0005f;
    float x = 0.5f, low = 0.0f, high = 1.0f;
    float d = target - AveragingWeight(x, n);
    if (std::fabs(d) <= kTolerance)
        return x;
    for (int round = 0; round < 1000; ++round)
    {
        if (d <= 0.0f)
            high = x;
        else
            low = x;
        x = (high + low) * 0.5f;
        d = target - AveragingWeight(x, n);
        if (std::fabs(d) <= kTolerance)
            break;
    }
    return x;
}
