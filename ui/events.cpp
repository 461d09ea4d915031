// The event model over the platform's message queue. The window procedure
// turns window messages into deferred events or a pending code; WaitForEvent
// hands them out one per call.
#include <windows.h>

#include <array>
#include <deque>
#include <new>
#include <vector>

#include "ui/events.h"
#include "ui/ui.h"

namespace ui {
namespace {

struct DeferredEvent {
  int code;
  int window;
};

struct EventState {
  int source = 0;
  int window = -1;
  int type = -1;
  int pending = 0;
  // The window the pending code belongs to: a message that the same dispatch
  // sends on to a window without a number must not take it from the event.
  int pendingWindow = -1;
  WPARAM rawFirst = 0;
  LPARAM rawSecond = 0;
  std::deque<DeferredEvent> deferred;
  MessageHook hook = nullptr;
  // Runs once, before the first event is handed out (RunBeforeFirstEvent).
  void (*beforeFirstEvent)() = nullptr;
  // True while WaitForEvent dispatches the message it fetched. Controls
  // changed by the program itself (a text set, say) notify their parent
  // outside that window; such notifications must not linger as a pending
  // code for a later, unrelated message.
  bool dispatching = false;
  // Per virtual key, the top-level window whose key-down message was fetched
  // and not yet asked for.
  std::array<HWND, 256> keysDown{};
  // Nesting depth of ProgramFocusMove; GUI thread only.
  int programFocusMoves = 0;
} gEvents;

void SetPending(int code, int source, int type) {
  gEvents.pending = code;
  gEvents.pendingWindow = gEvents.window;
  gEvents.source = source;
  gEvents.type = type;
}

// A control's notification counts only while a fetched message is being
// dispatched: the program's own changes to a control are no user events.
void SetPendingFromControl(int source, int type) {
  if (gEvents.dispatching) SetPending(kControlEvent, source, type);
}

UINT TaskbarCreatedMessage() {
  static UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

void Defer(int code, int window) {
  if (!gEvents.deferred.empty()) {
    const DeferredEvent& last = gEvents.deferred.back();
    if (last.code == code && last.window == window) return;  // a burst collapses into one
  }
  // Without memory for the node the event is lost, as a dropped message
  // would be; the exception must not unwind through the system's frames.
  try {
    gEvents.deferred.push_back({code, window});
  } catch (const std::bad_alloc&) {
  }
}

bool IsControlParentMessage(UINT msg) {
  switch (msg) {
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
      return true;
    default:
      return false;
  }
}

bool IsAutoOption(HWND w) {
  wchar_t cls[8] = {};
  GetClassNameW(w, cls, 8);
  return lstrcmpiW(cls, L"Button") == 0 &&
         (GetWindowLongPtrW(w, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

bool IsChecked(HWND w) { return SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// An automatic option button checks itself when it gains the focus, so a
// focus walk that landed on an unchecked one would change a choice (and, in
// the settings dialog, move the main window). As in the system's dialogs, a
// group is entered at its checked option; only a group without one is
// entered wherever Tab finds it.
bool GroupHasCheckedOption(HWND option) {
  HWND first = option;
  while (!(GetWindowLongPtrW(first, GWL_STYLE) & WS_GROUP)) {
    HWND previous = GetWindow(first, GW_HWNDPREV);
    if (!previous) break;
    first = previous;
  }
  for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w != first && (GetWindowLongPtrW(w, GWL_STYLE) & WS_GROUP)) break;
    if (IsAutoOption(w) && IsChecked(w)) return true;
  }
  return false;
}

BOOL CALLBACK CollectTabStops(HWND hwnd, LPARAM param) {
  auto* list = reinterpret_cast<std::vector<HWND>*>(param);
  LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  if (!(style & WS_TABSTOP) || !IsWindowEnabled(hwnd) || !IsWindowVisible(hwnd)) return TRUE;
  if (IsAutoOption(hwnd) && !IsChecked(hwnd) && GroupHasCheckedOption(hwnd)) return TRUE;
  try {
    list->push_back(hwnd);
  } catch (const std::bad_alloc&) {
    return FALSE;  // the walk goes on with the stops found so far
  }
  return TRUE;
}

}  // namespace

void FocusNextControl(HWND window, bool previous) {
  std::vector<HWND> stops;
  EnumChildWindows(window, CollectTabStops, reinterpret_cast<LPARAM>(&stops));
  if (stops.empty()) return;
  HWND focus = GetFocus();
  int at = -1;
  for (size_t i = 0; i < stops.size() && at < 0; ++i)
    if (stops[i] == focus || (focus && IsChild(stops[i], focus))) at = static_cast<int>(i);
  int n = static_cast<int>(stops.size());
  int next;
  if (!previous)
    next = (at < 0 || at + 1 >= n) ? 0 : at + 1;
  else
    next = (at <= 0) ? n - 1 : at - 1;
  SetFocus(stops[static_cast<size_t>(next)]);
}

bool WithoutNonClientArea(HWND hwnd) {
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
  // A top-level window also draws its menu bar and, minimised, its caption there.
  if (!(style & WS_CHILD) && (GetMenu(hwnd) != nullptr || IsIconic(hwnd))) return false;
  return !(style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_VSCROLL | WS_HSCROLL)) &&
         !(exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME));
}

namespace {

LRESULT HandleProgramWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  int window = WindowNumberOf(hwnd);

  if (gEvents.hook) {
    LRESULT r = gEvents.hook(hwnd, msg, wParam, lParam);
    if (r != kProcessDefault) return r;
  }
  gEvents.window = window;
  if (window == -1) return DefWindowProcW(hwnd, msg, wParam, lParam);

  switch (msg) {
    case WM_CLOSE:
      Defer(kWindowCloseRequest, window);
      return 0;
    case WM_MOVE:
      Defer(kWindowMoved, window);
      return 0;
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) break;
      Defer(kWindowResized, window);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) Defer(kWindowActivated, window);
      break;
    case WM_NCPAINT:
      if (WithoutNonClientArea(hwnd)) return 0;
      break;
    case kMsgDpiChanged:
      if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)) {
        LayOutAtDpi(hwnd, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
      }
      break;
    case WM_ERASEBKGND: {
      LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
      Defer(kWindowRepaint, window);
      return r;
    }
    case WM_COMMAND:
      if (lParam == 0) {
        if (HIWORD(wParam) != 0 && (LOWORD(wParam) == 1212 || LOWORD(wParam) == 1213))
          FocusNextControl(GetAncestor(hwnd, GA_ROOT), LOWORD(wParam) == 1213);
        else
          SetPending(kMenuEvent, static_cast<int>(LOWORD(wParam)), gEvents.type);
        return 0;
      } else {
        LRESULT result = 0;
        if (OfferToControl(hwnd, msg, wParam, lParam, &result)) return result;
        SetPendingFromControl(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)), static_cast<int>(HIWORD(wParam)));
        return 0;
      }
    case kMsgControlReport:
      SetPending(kControlEvent, static_cast<int>(wParam), static_cast<int>(lParam));
      return 0;
    case WM_DROPFILES:
      TakeDropMessage(hwnd, reinterpret_cast<HDROP>(wParam));
      return 0;
    case kMsgFilesDropped:
      SetPending(kFilesDropped, window, -1);
      return 0;
    case kMsgTrayCallback:
      // Queued again so that the tray click is handled in order with the
      // rest of the input.
      PostMessageA(hwnd, kMsgTrayEvent, wParam, lParam);
      return 0;
    case kMsgTrayEvent: {
      int type;
      switch (static_cast<UINT>(LOWORD(lParam))) {
        case WM_LBUTTONUP: type = kLeftClick; break;
        case WM_RBUTTONUP: type = kRightClick; break;
        case WM_LBUTTONDBLCLK: type = kLeftDoubleClick; break;
        case WM_RBUTTONDBLCLK: type = kRightDoubleClick; break;
        default: type = -2; break;
      }
      if (type == -2)
        gEvents.pending = 0;
      else
        SetPending(kTrayEvent, static_cast<int>(wParam), type);
      return 0;
    }
    default:
      if (IsControlParentMessage(msg)) {
        LRESULT result = 0;
        if (OfferToControl(hwnd, msg, wParam, lParam, &result)) return result;
      }
      if (msg == TaskbarCreatedMessage() && msg != 0) ReaddTrayIcons(hwnd);
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK ProgramWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // The system's frames lie between here and the loop: no exception may
  // pass through them. Out of memory, the message counts as handled.
  try {
    return HandleProgramWindowMessage(hwnd, msg, wParam, lParam);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int WaitForEvent(int timeoutMs) {
  if (auto work = gEvents.beforeFirstEvent) {
    gEvents.beforeFirstEvent = nullptr;
    // Whoever already waits on a window (another program asking whether it
    // is there) gets the answer first; nothing is taken from the queue.
    MSG peeked;
    PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    work();
  }
  gEvents.type = -1;
  if (!gEvents.deferred.empty()) {
    DeferredEvent e = gEvents.deferred.front();
    gEvents.deferred.pop_front();
    gEvents.window = e.window;
    gEvents.pending = 0;
    return e.code;
  }

  MSG msg;
  if (timeoutMs < 0) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) return kNoEvent;
  } else if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (timeoutMs == 0) return kNoEvent;
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), QS_ALLINPUT) == WAIT_TIMEOUT)
      return kNoEvent;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return kNoEvent;
  }

  if (msg.message == WM_KEYDOWN && msg.wParam < gEvents.keysDown.size() && msg.hwnd)
    gEvents.keysDown[msg.wParam] = GetAncestor(msg.hwnd, GA_ROOT);

  bool translated = false;
  gEvents.dispatching = true;
  HWND active = GetActiveWindow();
  if (active) {
    HACCEL accel = WindowAccelerators(active);
    // Tab with Ctrl or Alt is left to the controls.
    bool plainTab = msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000) &&
                    !(GetKeyState(VK_MENU) & 0x8000);
    if (accel && (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || plainTab))
      translated = TranslateAcceleratorW(active, accel, &msg) != 0;
  }
  gEvents.dispatching = true;
  if (!translated) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  gEvents.dispatching = false;

  if (gEvents.pending) {
    int code = gEvents.pending;
    gEvents.pending = 0;
    gEvents.window = gEvents.pendingWindow;
    return code;
  }
  gEvents.rawFirst = msg.wParam;
  gEvents.rawSecond = msg.lParam;
  switch (msg.message) {
    case WM_MOVE:   // 3
    case WM_SIZE:   // 5
    case WM_PAINT:  // 15
    case WM_CLOSE:  // 16
      // Their codes equal event codes, which the window procedure queues
      // itself (a repaint from the background erase): reported raw, they
      // would come twice.
      return kNoEvent;
    default:
      return static_cast<int>(msg.message);
  }
}

bool TakeKeyDown(int vk, HWND top) {
  if (vk < 0 || static_cast<size_t>(vk) >= gEvents.keysDown.size()) return false;
  const HWND went = gEvents.keysDown[static_cast<size_t>(vk)];
  gEvents.keysDown[static_cast<size_t>(vk)] = nullptr;
  return went && went == top;
}

int EventSource() { return gEvents.source; }
int EventSubtype() { return gEvents.type; }
int EventWindowNumber() { return gEvents.window; }
WPARAM EventRawFirst() { return gEvents.rawFirst; }
LPARAM EventRawSecond() { return gEvents.rawSecond; }
void SetMessageHook(MessageHook hook) { gEvents.hook = hook; }

void RunBeforeFirstEvent(void (*work)()) { gEvents.beforeFirstEvent = work; }

void ResetEvents() {
  gEvents.beforeFirstEvent = nullptr;
  gEvents.deferred.clear();
  gEvents.pending = 0;
  gEvents.type = -1;
  gEvents.keysDown.fill(nullptr);
}

void SetPendingControlEvent(int controlNumber, int type) { SetPendingFromControl(controlNumber, type); }

ProgramFocusMove::ProgramFocusMove() { ++gEvents.programFocusMoves; }
ProgramFocusMove::~ProgramFocusMove() { --gEvents.programFocusMoves; }
bool ProgramMovesFocus() { return gEvents.programFocusMoves > 0; }

void PostControlReport(HWND control, int controlNumber, int type) {
  HWND top = GetAncestor(control, GA_ROOT);
  if (top) PostMessageA(top, kMsgControlReport, static_cast<WPARAM>(controlNumber), static_cast<LPARAM>(type));
}

}  // namespace ui
