#include "foundation/Numeric.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
constexpr double kLargestFloat = std::numeric_limits<float>::max(); // 3.4028235e38

template <class T> T Max(const T* v, int n)
{
    T m = static_cast<T>(-kLargestFloat);
    for (int i = 0; i < n; ++i)
        m = std::max(m, v[i]);
    return m;
}

template <class T> T Min(const T* v, int n)
{
    T m = static_cast<T>(kLargestFloat);
    for (int i = 0; i < n; ++i)
        m = std::min(m, v[i]);
    return m;
}

template <class T> T MaxAbs(const T* v, int n)
{
    T m = static_cast<T>(-kLargestFloat);
    for (int i = 0; i < n; ++i)
        m = std::max(m, static_cast<T>(std::fabs(v[i])));
    return m;
}

template <class T> T Mean(const T* v, int n)
{
    if (n < 1)
        return 0;
    T sum = 0;
    for (int i = 0; i < n; ++i)
        sum += v[i];
    return sum / n;
}

template <class T> T MeanAbs(const T* v, int n)
{
    if (n < 1)
        return 0;
    T sum = 0;
    for (int i = 0; i < n; ++i)
        sum += std::fabs(v[i]);
    return sum / n;
}

template <class T> T Norm(const T* v, int n)
{
    if (n < 1)
        return 0;
    T sum = 0;
    for (int i = 0; i < n; ++i)
        sum += v[i] * v[i];
    return std::sqrt(sum);
}

template <class T> void Split(T value, T& mantissa, int& exponent)
{
    exponent = 0;
    // Zero, infinities and NaN never reach the [1, 10) band: give them back unchanged.
    if (value == 0 || !std::isfinite(value))
    {
        mantissa = value;
        return;
    }
    const bool negative = value < 0;
    T v = negative ? -value : value;
    if (v < 1)
    {
        while (v < 1)
        {
            v *= static_cast<T>(10);
            --exponent;
        }
    }
    else if (v >= 10)
    {
        while (v >= 10)
        {
            v *= static_cast<T>(0.1);
            ++exponent;
        }
    }
    mantissa = negative ? -v : v;
}

template <class T> void Locate(const T* table, int n, T x, int& j)
{
    if (n < 1)
    {
        j = -1;
        return;
    }
    const bool rising = table[n - 1] >= table[0];
    int lo = -1;
    int hi = n;
    while (hi - lo > 1)
    {
        const int mid = (hi + lo) >> 1;
        if ((x >= table[mid]) == rising)
            lo = mid;
        else
            hi = mid;
    }
    if (x == table[0])
        j = 0;
    else if (x == table[n - 1])
        j = n - 2;
    else
        j = lo;
}
} // namespace

double ArrayMaxD(const double* v, int n)
{
    return Max(v, n);
}
float ArrayMaxF(const float* v, int n)
{
    return Max(v, n);
}
double ArrayMinD(const double* v, int n)
{
    return Min(v, n);
}
float ArrayMinF(const float* v, int n)
{
    return Min(v, n);
}
double ArrayMaxAbsD(const double* v, int n)
{
    return MaxAbs(v, n);
}
float ArrayMaxAbsF(const float* v, int n)
{
    return MaxAbs(v, n);
}
double ArrayMeanD(const double* v, int n)
{
    return Mean(v, n);
}
float ArrayMeanF(const float* v, int n)
{
    return Mean(v, n);
}
double ArrayMeanAbsD(const double* v, int n)
{
    return MeanAbs(v, n);
}
float ArrayMeanAbsF(const float* v, int n)
{
    return MeanAbs(v, n);
}
double ArrayNormD(const double* v, int n)
{
    return Norm(v, n);
}
float ArrayNormF(const float* v, int n)
{
    return Norm(v, n);
}

void SplitDecade(double value, double& mantissa, int& exponent)
{
    Split(value, mantissa, exponent);
}
void SplitDecade(float value, float& mantissa, int& exponent)
{
    Split(value, mantissa, exponent);
}

void LocateInTable(const double* table, int n, double x, int& j)
{
    Locate(table, n, x, j);
}
void LocateInTable(const float* table, int n, float x, int& j)
{
    Locate(table, n, x, j);
}

CDoubleBuffer::CDoubleBuffer(const double* values, int n)
    : m_values(new double[n > 0 ? n : 0]), m_count(n > 0 ? n : 0)
{
    std::copy(values, values + m_count, m_values.get());
}

CDoubleBuffer::CDoubleBuffer(int n) : m_values(new double[n > 0 ? n : 0]()), m_count(n > 0 ? n : 0) {}
