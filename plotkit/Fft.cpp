// Numerical services: complex and real fast Fourier transforms on the caller's float arrays, the
// power spectrum, magnitude, phase and frequency of a bin, the classic data windows, and the
// natural cubic spline that smooths line plots. The transforms work in double inside, in place on
// the caller's arrays, and keep no state.
//
// Sign conventions (kept for the callers that rely on them): the complex transform's forward
// direction uses the positive exponent, X[k] = sum x[j] e^(+2 pi i jk / n), unscaled; the real
// transform's forward direction the negative one, the conjugate of that.
#include "PlotkitInternal.h"

#include <cmath>
#include <complex>
#include <cstring>
#include <vector>

namespace plotkit
{
namespace
{

constexpr double kPi = 3.14159265358979323846;

using Complex = std::complex<double>;

bool IsPowerOfTwo(int n)
{
    return n >= 1 && (n & (n - 1)) == 0;
}

bool CheckSize(int n, int least)
{
    if (n < least || !IsPowerOfTwo(n))
    {
        ErrHdlr(31, 0, nullptr);
        return false;
    }
    return true;
}

// In-place radix-2 transform with e^(sign 2 pi i jk / n), unscaled.
void Transform(std::vector<Complex>& a, int sign)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i)
    {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1)
    {
        const double angle = sign * 2 * kPi / static_cast<double>(length);
        for (size_t start = 0; start < n; start += length)
            for (size_t k = 0; k < length / 2; ++k)
            {
                const Complex w = std::polar(1.0, angle * static_cast<double>(k));
                const Complex u = a[start + k];
                const Complex v = a[start + k + length / 2] * w;
                a[start + k] = u + v;
                a[start + k + length / 2] = u - v;
            }
    }
}

} // namespace

HGLOBAL SplinePoints(GrDesc* graph, HDC dc, const POINT* points, int count, int* splineCount)
{
    if (splineCount)
        *splineCount = 0;
    if (graph == nullptr || points == nullptr || count < 4)
        return nullptr;
    // Usable range: from the first point whose next x differs (inside the plot on the left) to the
    // last whose previous x differs (inside it on the right).
    int first = 0;
    while (first + 1 < count && points[first + 1].x == points[first].x)
        ++first;
    if (first + 1 >= count)
        return nullptr;
    const int direction = points[first + 1].x > points[first].x ? 1 : -1;
    const LONG left = graph->plot.left, right = graph->plot.right;
    int start = -1, end = -1;
    if (direction > 0)
    {
        for (int i = 0; i + 1 < count && start < 0; ++i)
            if (points[i + 1].x != points[i].x && points[i].x >= left)
                start = i;
        for (int i = count - 1; i > 0 && end < 0; --i)
            if (points[i - 1].x != points[i].x && points[i].x <= right)
                end = i;
    }
    else
    {
        for (int i = count - 1; i > 0 && start < 0; --i)
            if (points[i - 1].x != points[i].x && points[i].x >= left)
                start = i;
        for (int i = 0; i + 1 < count && end < 0; ++i)
            if (points[i + 1].x != points[i].x && points[i].x <= right)
                end = i;
    }
    if (start < 0 || end < 0)
        return nullptr;
    // Points in increasing x, equal x merged into the first of them.
    std::vector<double> xs, ys;
    const int lo = std::min(start, end), hi = std::max(start, end);
    if (hi - lo + 1 > 399)
        return nullptr;
    for (int k = 0; k <= hi - lo; ++k)
    {
        const POINT& p = points[direction > 0 ? lo + k : hi - k];
        if (!xs.empty() && p.x <= xs.back())
            continue;
        xs.push_back(p.x);
        ys.push_back(p.y);
    }
    const int m = static_cast<int>(xs.size());
    if (m < 2)
        return nullptr;

    int pixel = 1;
    if (graph->printCopy)
    {
        const DevDesc& dev = Lib().dev;
        if (dev.printerWidth > 0 && graph->page)
            pixel = static_cast<int>(static_cast<double>(graph->page->extentX) / dev.printerWidth + 0.5);
    }
    else if (dc)
        pixel = LogicalX(dc, 1);
    pixel = std::max(pixel, 1);
    const long span = static_cast<long>(xs.back() - xs.front());
    const long samples = span / pixel;
    if (samples < 10)
        return nullptr;

    // Natural cubic spline: second derivatives 0 at both ends.
    std::vector<double> h(static_cast<size_t>(m - 1)), c(static_cast<size_t>(m), 0.0);
    for (int i = 0; i + 1 < m; ++i)
        h[static_cast<size_t>(i)] = xs[static_cast<size_t>(i + 1)] - xs[static_cast<size_t>(i)];
    if (m > 2)
    {
        const int inner = m - 2;
        std::vector<double> diag(static_cast<size_t>(inner)), rhs(static_cast<size_t>(inner));
        for (int r = 0; r < inner; ++r)
        {
            const size_t i = static_cast<size_t>(r + 1);
            diag[static_cast<size_t>(r)] = 2 * (h[i - 1] + h[i]);
            rhs[static_cast<size_t>(r)] = 3 * ((ys[i + 1] - ys[i]) / h[i] - (ys[i] - ys[i - 1]) / h[i - 1]);
        }
        for (int r = 1; r < inner; ++r)
        {
            const double pivot = diag[static_cast<size_t>(r - 1)];
            const double factor = std::fabs(pivot) < 1e-15 ? 0 : h[static_cast<size_t>(r)] / pivot;
            diag[static_cast<size_t>(r)] -= factor * h[static_cast<size_t>(r)];
            rhs[static_cast<size_t>(r)] -= factor * rhs[static_cast<size_t>(r - 1)];
        }
        for (int r = inner - 1; r >= 0; --r)
        {
            double v = rhs[static_cast<size_t>(r)];
            if (r + 1 < inner)
                v -= h[static_cast<size_t>(r + 1)] * c[static_cast<size_t>(r + 2)];
            const double d = diag[static_cast<size_t>(r)];
            c[static_cast<size_t>(r + 1)] = std::fabs(d) < 1e-15 ? 0 : v / d;
        }
    }
    std::vector<double> b(static_cast<size_t>(m - 1)), d(static_cast<size_t>(m - 1));
    for (int i = 0; i + 1 < m; ++i)
    {
        const size_t k = static_cast<size_t>(i);
        b[k] = (ys[k + 1] - ys[k]) / h[k] - h[k] * (2 * c[k] + c[k + 1]) / 3;
        d[k] = (c[k + 1] - c[k]) / (3 * h[k]);
    }

    const SIZE_T bytes = static_cast<SIZE_T>(samples + 1) * sizeof(POINT);
    HGLOBAL block = GlobalAlloc(GHND, bytes);
    auto* out = block ? static_cast<POINT*>(GlobalLock(block)) : nullptr;
    if (out == nullptr)
    {
        GlobalFree(block);
        ErrHdlr(53, 0, nullptr);
        return nullptr;
    }
    const long x0 = static_cast<long>(xs.front());
    size_t interval = 0;
    for (long k = 0; k <= samples; ++k)
    {
        const long x = x0 + span * k / samples;
        while (interval + 2 < static_cast<size_t>(m) && x > xs[interval + 1])
            ++interval;
        const double t = x - xs[interval];
        double y = ys[interval] + t * (b[interval] + t * (c[interval] + t * d[interval]));
        y = std::clamp(y, -32000.0, 32000.0);
        out[k].x = static_cast<LONG>(x);
        out[k].y = static_cast<LONG>(y);
    }
    if (splineCount)
        *splineCount = static_cast<int>(samples + 1);
    return block;
}

} // namespace plotkit

using namespace plotkit;

BOOL WINAPI WGComplexFFT(float* re, float* im, int n, BOOL inverse)
{
    if (re == nullptr || im == nullptr || !CheckSize(n, 1))
        return FALSE;
    std::vector<Complex> a(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        a[static_cast<size_t>(i)] = Complex(re[i], im[i]);
    Transform(a, inverse ? -1 : 1);
    const double scale = inverse ? 1.0 / n : 1.0;
    for (int i = 0; i < n; ++i)
    {
        re[i] = static_cast<float>(a[static_cast<size_t>(i)].real() * scale);
        im[i] = static_cast<float>(a[static_cast<size_t>(i)].imag() * scale);
    }
    return TRUE;
}

BOOL WINAPI WGRealFFT(float* data, float* second, int n, BOOL inverse)
{
    if (data == nullptr || second == nullptr || !CheckSize(n, 2))
        return FALSE;
    std::vector<Complex> a(static_cast<size_t>(n));
    if (!inverse)
    {
        for (int i = 0; i < n; ++i)
            a[static_cast<size_t>(i)] = Complex(data[i], 0);
        Transform(a, -1);
        for (int k = 0; k < n; ++k)
        {
            data[k] = static_cast<float>(a[static_cast<size_t>(k)].real());
            second[k] = static_cast<float>(a[static_cast<size_t>(k)].imag());
        }
        return TRUE;
    }
    // Bins 0..n/2 give the rest by conjugate symmetry.
    for (int k = 0; k <= n / 2; ++k)
    {
        a[static_cast<size_t>(k)] = Complex(data[k], second[k]);
        if (k > 0 && k < n / 2)
            a[static_cast<size_t>(n - k)] = std::conj(a[static_cast<size_t>(k)]);
    }
    Transform(a, 1);
    for (int i = 0; i < n; ++i)
        data[i] = static_cast<float>(a[static_cast<size_t>(i)].real() / n);
    return TRUE;
}

BOOL WINAPI WGPowerSpectrum(float* re, float* im, int n, float interval)
{
    if (!WGComplexFFT(re, im, n, FALSE))
        return FALSE;
    const double n2 = static_cast<double>(n) * n;
    auto power = [&](int k)
    { return (static_cast<double>(re[k]) * re[k] + static_cast<double>(im[k]) * im[k]); };
    std::vector<double> p(static_cast<size_t>(n / 2 + 1));
    p[0] = power(0) / n2;
    for (int k = 1; k < n / 2; ++k)
        p[static_cast<size_t>(k)] = (power(k) + power(n - k)) / n2;
    if (n > 1)
        p[static_cast<size_t>(n / 2)] = power(n / 2) / n2;
    for (int k = 0; k <= n / 2; ++k)
    {
        re[k] = static_cast<float>(p[static_cast<size_t>(k)]);
        im[k] = interval != 0 ? static_cast<float>(k / (static_cast<double>(n) * interval)) : 0.0f;
    }
    return TRUE;
}

void WINAPI WGFFTMagnitude(float* re, float* im, int n, int k, float* out)
{
    if (re == nullptr || im == nullptr || out == nullptr || n < 1)
        return;
    if (k < 0 || k > n / 2)
    {
        *out = 0;
        return;
    }
    if (k == 0)
    {
        *out = static_cast<float>(std::hypot(re[0], im[0]) / n);
        return;
    }
    const double r = std::fabs(re[k]) + (n - k < n ? std::fabs(re[n - k]) : 0);
    const double i = std::fabs(im[k]) + (n - k < n ? std::fabs(im[n - k]) : 0);
    *out = static_cast<float>(std::sqrt(r * r + i * i) / n);
}

void WINAPI WGFFTPhase(float* re, float* im, int k, float* out)
{
    if (re == nullptr || im == nullptr || out == nullptr || k < 0)
        return;
    *out = static_cast<float>(std::atan2(im[k], re[k]));
}

void WINAPI WGFFTFrequency(int n, float rate, int k, float* out)
{
    if (out == nullptr || n < 1)
        return;
    const double f = k <= n / 2 ? static_cast<double>(k) * rate / n : -static_cast<double>(n - k) * rate / n;
    *out = static_cast<float>(f);
}

int WINAPI WGDSPWindow(float* re, float* im, int n, int kind)
{
    if (re == nullptr || n < 2)
        return 0;
    const double m = n - 1;
    for (int i = 0; i < n; ++i)
    {
        double w = 1;
        switch (kind)
        {
        case 1:
            w = 1 - std::fabs((i - m / 2) / (m / 2));
            break;
        case 2:
            w = (1 - std::cos(2 * kPi * i / m)) / 2;
            break;
        case 3:
        {
            const double q = (i - m / 2) / ((n + 1) / 2.0);
            w = 1 - q * q;
            break;
        }
        case 4:
            w = 0.54 - 0.46 * std::cos(2 * kPi * i / m);
            break;
        case 5:
            w = 0.42 - 0.5 * std::cos(2 * kPi * i / m) + 0.08 * std::cos(4 * kPi * i / m);
            break;
        default:
            break;
        }
        re[i] = static_cast<float>(re[i] * w);
        if (im)
            im[i] = static_cast<float>(im[i] * w);
    }
    return 0;
}
