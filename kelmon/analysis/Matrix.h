// Small dense float matrices for the spectrum analysis: an array of row pointers into one zeroed
// block, with transpose, product and an in-place Gauss-Jordan inverse.
#pragma once

#include <memory>
#include <vector>

class CFloatMatrix
{
public:
    CFloatMatrix(int rows, int columns);
    float** Rows() { return m_rows.data(); }
    float* const* Rows() const { return m_rows.data(); }
    int RowCount() const { return m_rowCount; }
    int ColumnCount() const { return m_columnCount; }

private:
    int m_rowCount;
    int m_columnCount;
    std::vector<float> m_block;
    std::vector<float*> m_rows;
};

// A rows x columns matrix of zeros; NULL when the memory cannot be had.
std::unique_ptr<CFloatMatrix> AllocMatrix(int rows, int columns);

// dst (columns x rows) = transpose of src (rows x columns).
void MatrixTranspose(const float* const* src, float** dst, int rows, int columns);
// c (rows x columns) = a (rows x inner) x b (inner x columns); sums run over k ascending and are
// kept in single precision.
void MatrixMultiply(const float* const* a, const float* const* b, float** c, int rows, int columns,
                    int inner);

// A pivot smaller than this share of the matrix's largest element is taken as zero: float
// rounding leaves a tiny pivot where the matrix is singular.
constexpr float kPivotTolerance = 1e-5f;

// The pivot search of one elimination step: among rows whose use count is not 1 and columns whose
// use count is 0, the element of largest magnitude; of equal ones the last in row-major order.
// FALSE when a column was used more than once (singular) or nothing is left to choose.
bool MatrixFindPivot(const float* const* a, int n, const std::vector<int>& used, int& row, int& column);

// Inverts the n x n matrix a in place by Gauss-Jordan elimination with full pivoting. FALSE when
// the matrix is singular or too ill-conditioned for single precision (a pivot below
// kPivotTolerance times the largest element); a is then left as far as it was reduced.
bool MatrixInvert(float** a, int n);
