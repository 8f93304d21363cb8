#pragma once
// What the windows of this platform share: the count of open program windows that keeps the
// message loop going, the dialogs that take TAB from the loop, and the handles behind the views.
#include "windows_api.h"

#include "platform/controls.h"
#include "platform/windows.h"

namespace platform::win32 {

// Every window the program opens counts itself in on creation and out on WM_DESTROY; when the
// last one is gone the message loop ends.
void ProgramWindowOpened();
void ProgramWindowClosed();
int OpenProgramWindows();

// Dialog windows whose keyboard navigation (TAB, arrows) the message loops handle.
void AddDialogWindow(HWND dialog);
void RemoveDialogWindow(HWND dialog);

// Registers a window class once per process, with this module and the arrow cursor.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background);

// Dots per inch of the screen, for sizes given at 96.
int ScreenDpi();

std::unique_ptr<PreviewWindow> MakePreviewWindow(const PreviewDesign& design);
std::unique_ptr<SaverWindow> MakeSaverWindow(SaverEvents& events, NativeHandle host);
std::unique_ptr<SaverWindow> MakeMonitorWindow(SaverEvents& events, const Monitor& monitor);

// The native windows behind the views (null for views from elsewhere).
HWND WindowOf(SaverWindow& window);
HWND WindowOf(SettingsDialogView& dialog);

} // namespace platform::win32
