// Plain numeric helpers over arrays of values (double and float variants), used to find data
// ranges for axes, to split values into mantissa and decade and to locate values in tables.
#pragma once

#include <cstddef>
#include <memory>

// Largest value; starts from minus the largest float, so an empty array gives -3.4028235e38.
double ArrayMaxD(const double* values, int n);
float ArrayMaxF(const float* values, int n);
// Smallest value; starts from the largest float, so an empty array gives 3.4028235e38.
double ArrayMinD(const double* values, int n);
float ArrayMinF(const float* values, int n);
// Largest absolute value; an empty array gives -3.4028235e38.
double ArrayMaxAbsD(const double* values, int n);
float ArrayMaxAbsF(const float* values, int n);
// Mean, mean of absolute values, root of the sum of squares; 0 when n < 1.
double ArrayMeanD(const double* values, int n);
float ArrayMeanF(const float* values, int n);
double ArrayMeanAbsD(const double* values, int n);
float ArrayMeanAbsF(const float* values, int n);
double ArrayNormD(const double* values, int n);
float ArrayNormF(const float* values, int n);

// Splits value into mantissa x 10^exponent with 1 <= |mantissa| < 10. Zero, infinities and NaN
// give the value itself with exponent 0; a negative value gives a negative mantissa.
void SplitDecade(double value, double& mantissa, int& exponent);
void SplitDecade(float value, float& mantissa, int& exponent);

// Bisection in a monotonic (rising or falling) table of n values: j such that x lies between
// table[j] and table[j + 1]. x equal to the first entry gives 0, equal to the last gives n - 2;
// -1 below the start of the table, n - 1 beyond its end.
void LocateInTable(const double* table, int n, double x, int& j);
void LocateInTable(const float* table, int n, float x, int& j);

// Unmasks the overflow, zero-divide and denormal floating-point exceptions.
void EnableFpExceptions();
// Clears pending floating-point exceptions and masks them all (53-bit precision, round to nearest).
void ResetFpControl();

// A small owned array of doubles.
class CDoubleBuffer
{
public:
    CDoubleBuffer(const double* values, int n);
    explicit CDoubleBuffer(int n);
    double* At(int i) { return &m_values[i]; }
    int GetCount() const { return m_count; }

private:
    std::unique_ptr<double[]> m_values;
    int m_count;
};
