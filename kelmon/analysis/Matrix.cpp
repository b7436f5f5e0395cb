#include "analysis/Matrix.h"

#include <cmath>
#include <new>
#include <utility>

CFloatMatrix::CFloatMatrix(int rows, int columns)
    : m_rowCount(rows), m_columnCount(columns), m_block(static_cast<size_t>(rows) * columns, 0.0f),
      m_rows(static_cast<size_t>(rows))
{
    for (int r = 0; r < rows; ++r)
        m_rows[r] = m_block.data() + static_cast<size_t>(r) * columns;
}

std::unique_ptr<CFloatMatrix> AllocMatrix(int rows, int columns)
{
    if (rows < 0 || columns < 0)
        return nullptr;
    try
    {
        return std::make_unique<CFloatMatrix>(rows, columns);
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

void MatrixTranspose(const float* const* src, float** dst, int rows, int columns)
{
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            dst[c][r] = src[r][c];
}

void MatrixMultiply(const float* const* a, const float* const* b, float** c, int rows, int columns, int inner)
{
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j)
        {
            float sum = 0.0f;
            for (int k = 0; k < inner; ++k)
                sum += a[i][k] * b[k][j];
            c[i][j] = sum;
        }
}

bool MatrixFindPivot(const float* const* a, int n, const std::vector<int>& used, int& row, int& column)
{
    float largest = 0.0f;
    bool found = false;
    for (int r = 0; r < n; ++r)
    {
        if (used[r] == 1)
            continue;
        for (int c = 0; c < n; ++c)
        {
            if (used[c] > 1)
                return false;
            if (used[c] == 0 && std::fabs(a[r][c]) >= largest)
            {
                largest = std::fabs(a[r][c]);
                row = r;
                column = c;
                found = true;
            }
        }
    }
    return found;
}

bool MatrixInvert(float** a, int n)
{
    float scale = 0.0f;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            scale = std::fmax(scale, std::fabs(a[r][c]));
    const float tolerance = scale * kPivotTolerance;

    std::vector<int> used(n, 0), pivotRow(n, 0), pivotColumn(n, 0);
    for (int step = 0; step < n; ++step)
    {
        int row = 0, col = 0;
        if (!MatrixFindPivot(a, n, used, row, col))
            return false;
        ++used[col];
        if (row != col)
            for (int c = 0; c < n; ++c)
                std::swap(a[row][c], a[col][c]);
        pivotRow[step] = row;
        pivotColumn[step] = col;
        const float pivot = a[col][col];
        if (!(std::fabs(pivot) > tolerance))
            return false;
        const float inverse = 1.0f / pivot;
        a[col][col] = 1.0f;
        for (int c = 0; c < n; ++c)
            a[col][c] *= inverse;
        for (int r = 0; r < n; ++r)
        {
            if (r == col)
                continue;
            const float d = a[r][col];
            a[r][col] = 0.0f;
            for (int c = 0; c < n; ++c)
                a[r][c] -= d * a[col][c];
        }
    }
    for (int step = n - 1; step >= 0; --step)
        if (pivotRow[step] != pivotColumn[step])
            for (int r = 0; r < n; ++r)
                std::swap(a[r][pivotRow[step]], a[r][pivotColumn[step]]);
    return true;
}
