// Noise sources for the simulated head: a shuffled minimal-standard uniform generator and a
// polar-method Gaussian generator drawing on it. Both keep shared state and are meant for one
// thread at a time.
#pragma once

#include <cstdint>

// Uniform deviate in the open interval (0, 1). A seed that is not positive (or the first call)
// restarts the sequence; the seed is updated on every call.
double UniformDeviate(int32_t& seed);

// Normal deviate with mean 0 and variance 1. Draws come in pairs: every second call returns the
// deviate stored by the previous one without touching the seed. A negative seed drops a stored
// deviate.
double GaussianDeviate(int32_t& seed);
