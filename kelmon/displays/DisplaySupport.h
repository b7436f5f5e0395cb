// Small helpers every display kind uses: finding the view a new page belongs under, and running a
// call on the thread of the page's window.
#pragma once

#include "displays/ChartHost.h"

#include <type_traits>

class CKelDoc;
class CView;
struct ChartFont;
struct LineAttributes;

// The first view of the document, or the active view of the main frame when there is no document.
CView* FindDisplayView(CKelDoc* document);

// Puts a line's style, colour and width on a chart object (its own line, member 0).
void ApplyLineAttributes(GrDesc* graph, int object, const LineAttributes& line);
// Puts a font's face (empty: kept), weight, slant and underline at size points and its palette
// colour on a text-bearing chart object.
void ApplyChartFont(GrDesc* graph, int object, const ChartFont& font, int size);

// Runs f on the thread of the page's window and returns its result (a scan's worker calls the
// displays; the chart objects are only touched on the user-interface thread).
template <class F> auto OnPageThreadOf(PgDesc* page, F&& f) -> decltype(f())
{
    using Result = decltype(f());
    if constexpr (std::is_void_v<Result>)
        ChartHostCallOnPageThread(page, [&] { f(); });
    else
    {
        Result result{};
        ChartHostCallOnPageThread(page, [&] { result = f(); });
        return result;
    }
}
