#pragma once
// The event model: one wait operation over the platform's message queue that
// turns window, control, menu and tray messages into numbered events.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>

namespace ui {

// Event codes.
constexpr int kNoEvent = 0;
constexpr int kWindowMoved = 3;
constexpr int kWindowResized = 5;
constexpr int kWindowRepaint = 15;
constexpr int kWindowCloseRequest = 16;
constexpr int kLeftButtonDown = 513;
constexpr int kControlEvent = 13100;
constexpr int kMenuEvent = 13101;
constexpr int kTrayEvent = 13102;
constexpr int kWindowActivated = 13104;
// Files were dropped onto the window: TakeDroppedFiles (ui/file_drop.h).
constexpr int kFilesDropped = 13110;

// Event types.
constexpr int kLeftClick = 0;
constexpr int kRightClick = 1;
constexpr int kLeftDoubleClick = 2;
constexpr int kRightDoubleClick = 3;
constexpr int kItemChange = 768;
constexpr int kFocusGained = 14000;
constexpr int kFocusLost = 14001;
constexpr int kDragStart = 14002;
// Enter pressed in a list with icons.
constexpr int kEnterKey = 14003;

// A window callback returns this to have a message handled normally.
constexpr LRESULT kProcessDefault = static_cast<LRESULT>(0xE0E0E0E1u);

using MessageHook = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

int WaitForEvent(int timeoutMs);
int EventSource();
int EventSubtype();
int EventWindowNumber();
WPARAM EventRawFirst();
// Whether a key-down message for the virtual key `vk`, addressed to the
// window `top` or one of its controls, was fetched since the last call for
// that key; the call clears it, whichever window the key went to.
bool TakeKeyDown(int vk, HWND top);
LPARAM EventRawSecond();
void SetMessageHook(MessageHook hook);
// Work that can wait until the window is on screen: the next WaitForEvent
// does it first, after answering messages other programs are waiting on
// and before it hands out any event.
void RunBeforeFirstEvent(void (*work)());

// Forgets queued events (tests start from a clean state).
void ResetEvents();

// --- Used inside the presentation layer ------------------------------------

// Private messages.
constexpr UINT kMsgControlReport = WM_APP + 0x101;  // wParam number, lParam type
constexpr UINT kMsgTrayCallback = WM_APP + 0x102;   // from the shell
constexpr UINT kMsgTrayEvent = WM_APP + 0x103;      // re-posted tray message
constexpr UINT kMsgFilesDropped = WM_APP + 0x104;   // names wait in the drop module

// Sent to a top-level window that moved to a display of another DPI (the
// platform's WM_DPICHANGED): HIWORD(wParam) the new DPI, lParam the
// suggested window rectangle.
constexpr UINT kMsgDpiChanged = 0x02E0;

// Lays a program window out again at a new DPI: client size, every control
// in it (LayOutControls), then the program's handler (OnDpiChanged).
void LayOutAtDpi(HWND window, int dpi, const RECT* suggested);
void LayOutControls(HWND window, int dpi);

// The window procedure of every program window and container control.
LRESULT CALLBACK ProgramWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// True when a window has nothing outside its client area (no frame, edge or
// scroll bar). Its non-client paint is then skipped: the platform would still
// fetch a window DC for it, several trips to the window server under Wine.
bool WithoutNonClientArea(HWND hwnd);

// A control handler records a control event for the message being dispatched.
void SetPendingControlEvent(int controlNumber, int type);

// Image controls and lists with icons report clicks by posting them to their
// top-level program window, so that they queue up with other input.
void PostControlReport(HWND control, int controlNumber, int type);

// While one lives, focus changes come from the program (FocusControl,
// DisableControl), not from the user, and are not reported.
class ProgramFocusMove {
 public:
  ProgramFocusMove();
  ~ProgramFocusMove();
  ProgramFocusMove(const ProgramFocusMove&) = delete;
  ProgramFocusMove& operator=(const ProgramFocusMove&) = delete;
};
bool ProgramMovesFocus();

// Moves the keyboard focus to the next (or previous) tab stop of the window.
void FocusNextControl(HWND window, bool previous);

// Implemented by the drop module: records the names of a WM_DROPFILES drop.
void TakeDropMessage(HWND window, HDROP drop);

// Implemented by the control layer: offered the parent's command,
// notification, scroll, colour and owner-draw messages of a control.
bool OfferToControl(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

}  // namespace ui
