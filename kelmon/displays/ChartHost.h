// kelmon's host of the charting libraries: the one top block of the process, the start of the
// libraries on the first page, the page and graph window procedures handed to them, object editing
// with the page locked, and the shut-down at exit. The displays call these; they never register
// window classes or start the libraries themselves.
#pragma once

#include <plotkit.h>
#include <windows.h>

#include <functional>

// The process's top block (zero at load) and the libraries' device block, taken at the first start.
TopDesc* ChartHostTop();
DevDesc* ChartHostDevice();

// The main frame's start: binds the real-time library to the top block.
void ChartHostInitRT();
// A new page for a display: starts the libraries on the first call, then makes the page. The
// arguments are InitPage's with the parent window and host instance first; the page's user value is
// the display's graph builder. Null when no page could be made.
PgDesc* ChartHostInit(const char* name, HWND parent, HINSTANCE instance, const char* caption, LPARAM builder,
                      const char* menu, int background, int kind, DWORD style, int placement, int x, int y,
                      int width, int height);
// One graph on a page (the graph builders' call); the user value is the graph's painter.
GrDesc* ChartInitGraph(PgDesc* page, LPARAM painter, float left, float top, float right, float bottom,
                       int background, int borderIndex, int borderWidth);
// Edits the selected object of the graph in the window with its page locked.
void ChartHostEditObject(HWND graphWindow);
// Ends both libraries; harmless when repeated.
void ChartHostCleanup(BOOL freeArrays);

// Runs call on the thread that owns the page's window and waits for it (at once when that is this
// thread, or when there is no page window): a worker's display call reaches the charts this way.
void ChartHostCallOnPageThread(PgDesc* page, const std::function<void()>& call);

LRESULT CALLBACK ChartPageWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ChartGraphWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The page procedure's default branch (page menu commands of top-level pages).
LRESULT ChartPageCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Chart input, routed to the active document's current display.
int ChartObjectEditDispatch(GrDesc* graph);
void ChartMouseCallback(HWND window, UINT message, int x, int y);
void ChartKeyCallback(HWND window, UINT message, int key, LPARAM lParam);
// Starts moving the activatable object under the mouse; 0 when there is none.
int ChartMouseDownActivate(HWND window, int unused, int x, int y);
