// The weight of the newest sweep in an exponential average, and its inverse: the weight w for which
// the last n + 1 sweeps carry a given share (0.95 for the scans) of the average.
#pragma once

// The sum over k = 0..n of x (1 - x)^k, accumulated in single precision from k = n down to 0
// (which is 1 - (1 - x)^(n + 1)); 0 for n < 0.
float AveragingWeight(float x, int n);
// The x in [0, 1] with AveragingWeight(x, n) within 0.0005 of target, by bisection (at most 1000
// rounds; the last x after them).
float InverseAveragingWeight(float target, int n);
