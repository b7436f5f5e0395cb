#include "Random.h"

#include <cmath>

namespace
{
constexpr int32_t IA = 16807;
constexpr int32_t IM = 2147483647;
constexpr double AM = 1.0 / IM;
constexpr int32_t IQ = 127773;
constexpr int32_t IR = 2836;
constexpr int NTAB = 32;
constexpr int32_t NDIV = 1 + (IM - 1) / NTAB;
constexpr double RNMX = 0.9999999999999997;

int32_t g_table[NTAB];
int32_t g_output = 0; // 0 until the table has been filled

bool g_haveStored = false;
double g_stored = 0.0;

// One minimal-standard step, seed = 16807 * seed mod (2^31 - 1), without overflow (Schrage).
void Step(int32_t& seed)
{
    const int32_t k = seed / IQ;
    seed = IA * (seed - k * IQ) - IR * k;
    if (seed < 0)
        seed += IM;
}
} // namespace

double UniformDeviate(int32_t& seed)
{
    if (seed <= 0 || g_output == 0)
    {
        // Negated in 32-bit two's complement: the most negative seed stays negative and so
        // starts from 1, where a plain negation would overflow.
        const int32_t negated = static_cast<int32_t>(0u - static_cast<uint32_t>(seed));
        seed = negated < 1 ? 1 : negated;
        for (int j = NTAB + 7; j >= 0; --j)
        {
            Step(seed);
            if (j < NTAB)
                g_table[j] = seed;
        }
        g_output = g_table[0];
    }
    Step(seed);
    const int j = g_output / NDIV;
    g_output = g_table[j];
    g_table[j] = seed;
    const double r = AM * g_output;
    return r > RNMX ? RNMX : r;
}

double GaussianDeviate(int32_t& seed)
{
    if (seed < 0)
        g_haveStored = false;
    if (g_haveStored)
    {
        g_haveStored = false;
        return g_stored;
    }
    double a, b, r;
    do
    {
        a = 2.0 * UniformDeviate(seed) - 1.0;
        b = 2.0 * UniformDeviate(seed) - 1.0;
        r = a * a + b * b;
    } while (r >= 1.0 || r == 0.0);
    const double f = std::sqrt(-2.0 * std::log(r) / r);
    g_stored = a * f;
    g_haveStored = true;
    return b * f;
}
