// Keeps the captions of one instrument window's group active together: a document's child frame
// and the modeless dialogs of its scan. The manager decides which child frame's group is the
// active one, tells the views (WM_KEL_GROUPACTIVATE) and greys the other frames' captions.
#pragma once

#include <windows.h>

#include <map>

class CWindowActivationManager
{
public:
    // The process-wide manager, created on first use; Destroy deletes it at exit.
    static CWindowActivationManager* Instance();
    static void Destroy();

    CWindowActivationManager();
    ~CWindowActivationManager();
    CWindowActivationManager(const CWindowActivationManager&) = delete;
    CWindowActivationManager& operator=(const CWindowActivationManager&) = delete;

    // Adds a frame with its flag clear (a frame already known keeps its flag); returns 1.
    int Register(HWND window);
    // 1 when the frame was known and is now removed, else 0.
    int Unregister(HWND window);
    // A frame's caption activation: the first activation of a frame makes its group the active
    // one and deactivates every other group; deactivations change nothing.
    void OnNcActivate(HWND window, BOOL active);
    // The application gained or lost the activation.
    void OnActivateApp(BOOL active);

    // The frame's flag: 1 while its group is the active one; -1 for an unknown frame.
    int GetFlag(HWND window);

    // Marks WM_NCACTIVATE messages the manager sends (lParam), so a frame greys only for them.
    static constexpr LPARAM kFromManager = -1;

private:
    // The scan's modeless dialogs of the frame's view follow its caption.
    static void ActivateViewDialogs(HWND frame, BOOL active);

    std::map<HWND, int> m_frames;
    CRITICAL_SECTION m_lock; // re-entered by the same thread around the messages it sends
    static CWindowActivationManager* s_instance;
};
