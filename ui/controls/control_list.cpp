#include "ui/controls/control_list.h"

#include <commctrl.h>

#include <new>

#include "ui/controls.h"
#include "ui/controls/brush_cache.h"
#include "ui/controls/common_controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/timer.h"

namespace ui {
namespace controls {
namespace {

constexpr UINT_PTR kToolTipSubclassId = 0x7C02;
// A waiting caller on another thread re-checks for shutdown this often.
constexpr UINT kCrossThreadSliceMs = 50;

struct ControlList {
  HWND parent = nullptr;
  int dpi = 96;  // of the window the new controls go into, asked once per window
  bool previousWasOption = false;
  HFONT font = nullptr;
  std::vector<HWND> enclosingParents;
  HWND toolTip = nullptr;
};

ControlList gList;

void ReleaseControlData(ControlRecord& r) {
  if (r.kind && r.kind->release) r.kind->release(r);
  ReleaseBrush(r.backBrush);
  r.backBrush = nullptr;
  if (r.toolParent && gList.toolTip && IsWindow(gList.toolTip)) {
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = r.toolParent;
    ti.uId = reinterpret_cast<UINT_PTR>(r.handle);
    SendMessageW(gList.toolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

// Release routine of the table (a number reused, program end). The record has
// already left the table, so the control's own WM_NCDESTROY finds nothing and
// the data is freed here.
void ReleaseControl(ControlRecord& r) {
  if (r.handle && IsWindow(r.handle)) DestroyWindow(r.handle);
  ReleaseControlData(r);
}

// Every control runs through this procedure in place of its class's. It is
// set on the window itself, not through the common controls' subclass chain:
// that chain looks up its data in a window property on every message, which
// costs a trip to the window server under Wine each time.
LRESULT HandleControlMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ControlRecord* r = RecordOf(hwnd);
  if (msg == WM_NCDESTROY) {
    if (r) {
      const int number = r->number;
      ReleaseControlData(*r);
      ControlTable().Forget(number);
    }
    return CallControlDefault(hwnd, msg, wParam, lParam);
  }
  if (!r || !r->kind) return CallControlDefault(hwnd, msg, wParam, lParam);
  if (msg == kMsgSetImage)
    return r->kind->setState ? r->kind->setState(*r, static_cast<intptr_t>(lParam)) : 0;
  if (msg == WM_NCPAINT && WithoutNonClientArea(hwnd)) return 0;
  LRESULT result = 0;
  if (r->kind->ownMessage && r->kind->ownMessage(*r, hwnd, msg, wParam, lParam, &result))
    return result;
  return CallControlDefault(hwnd, msg, wParam, lParam);
}

// No exception may unwind through the system's frames around a window
// procedure; out of memory, the message counts as handled.
LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    return HandleControlMessage(hwnd, msg, wParam, lParam);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

// The tooltip puts itself back on top each time it paints: the main window may
// be always-on-top and would otherwise cover it.
LRESULT CALLBACK ToolTipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR) {
  switch (msg) {
    case WM_PAINT:
      SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ToolTipProc, kToolTipSubclassId);
      if (gList.toolTip == hwnd) gList.toolTip = nullptr;
      break;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

HWND ToolTipWindow() {
  if (gList.toolTip && IsWindow(gList.toolTip)) return gList.toolTip;
  AwaitCommonControls();
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  if (!tip) return nullptr;
  SetWindowSubclass(tip, ToolTipProc, kToolTipSubclassId, 0);
  // A width limit lets line feeds in a tip break it into lines.
  SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 400);
  gList.toolTip = tip;
  return tip;
}

// Another thread may not touch the control: it asks the GUI thread to set the
// image and waits, in slices, so that it can give up once shutdown begins
// (the GUI thread may then be waiting for this thread to finish).
int SetImageFromOtherThread(HWND control, HANDLE image) {
  for (;;) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(control, kMsgSetImage, 0, reinterpret_cast<LPARAM>(image),
                            SMTO_NORMAL, kCrossThreadSliceMs, &answer))
      return static_cast<int>(answer);
    if (TimerStopping() || !IsWindow(control)) return 0;
  }
}

}  // namespace

const wchar_t kContainerClass[] = L"TrovantoControlContainer";

ObjectTable<ControlRecord>& ControlTable() {
  static ObjectTable<ControlRecord> table(50, ReleaseControl);
  return table;
}

ControlRecord* FindControl(int number) { return ControlTable().Find(number); }

ControlRecord* RecordOf(HWND control) {
  if (!control || !(GetWindowLongPtrW(control, GWL_STYLE) & WS_CHILD)) return nullptr;
  int id = static_cast<int>(GetWindowLongPtrW(control, GWLP_ID));
  ControlRecord* r = FindControl(id);
  return (r && r->handle == control) ? r : nullptr;
}

LRESULT CallControlDefault(HWND control, UINT msg, WPARAM wParam, LPARAM lParam) {
  // The class's own procedure: the one each control was created with.
  const auto classProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(control, GCLP_WNDPROC));
  return CallWindowProcW(classProc, control, msg, wParam, lParam);
}

HWND CurrentParent() { return gList.parent; }

void EnterContainer(HWND container) {
  gList.enclosingParents.push_back(gList.parent);
  gList.parent = container;
  gList.previousWasOption = false;
}

ControlRecord* CreateControl(const CreateArgs& a, int* identity) {
  HWND parent = gList.parent;
  if (!parent || !IsWindow(parent)) return nullptr;
  // Through the manifest even the buttons and edit fields are the library's.
  AwaitCommonControls();
  int id = 0;
  ControlRecord* r = ControlTable().Reserve(a.number, &id);
  if (!r) return nullptr;
  DWORD style = WS_CHILD | WS_VISIBLE | a.style;
  if (a.isOption && !gList.previousWasOption) style |= WS_GROUP;
  std::wstring text = Widen(a.text);
  const int dpi = gList.dpi;
  HWND h = CreateWindowExW(a.exStyle, a.className, text.c_str(), style, ScaleToDpi(a.x, dpi), ScaleToDpi(a.y, dpi),
                           ScaleToDpi(a.w, dpi), ScaleToDpi(a.h, dpi),
                           parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                           GetModuleHandleW(nullptr), nullptr);
  if (!h) {
    ControlTable().Forget(id);
    return nullptr;
  }
  gList.previousWasOption = a.isOption;
  r->handle = h;
  r->kind = a.kind;
  r->number = id;
  r->design = RECT{a.x, a.y, a.w, a.h};
  r->dpi = dpi;
  SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc));
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(gList.font), FALSE);
  if (identity) *identity = id;
  return r;
}

}  // namespace controls

void LayOutControls(HWND window, int dpi) {
  using controls::ControlRecord;
  std::vector<int> inside;
  controls::ControlTable().ForEach([&](int number, const ControlRecord& r) {
    if (r.handle && GetAncestor(r.handle, GA_ROOT) == window) inside.push_back(number);
  });
  for (int number : inside) {
    ControlRecord* r = controls::FindControl(number);
    if (!r || r->dpi == dpi) continue;
    r->dpi = dpi;
    const RECT& d = r->design;
    SetWindowPos(r->handle, nullptr, ScaleToDpi(d.left, dpi), ScaleToDpi(d.top, dpi), ScaleToDpi(d.right, dpi),
                 ScaleToDpi(d.bottom, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    if (r->kind->dpiChanged) r->kind->dpiChanged(*r);
  }
}

void RemakeFontsAndPictures() {
  using controls::ControlRecord;
  std::vector<std::pair<HANDLE, HANDLE>> fonts, pictures;
  RemakeFonts(&fonts);
  RemakeEmbeddedPictures(&pictures);
  for (const auto& swap : fonts)
    if (controls::gList.font == swap.first) controls::gList.font = static_cast<HFONT>(swap.second);
  std::vector<int> numbers;
  controls::ControlTable().ForEach([&](int number, const ControlRecord&) { numbers.push_back(number); });
  for (int number : numbers) {
    ControlRecord* r = controls::FindControl(number);
    if (!r) continue;
    const auto font = reinterpret_cast<HANDLE>(SendMessageW(r->handle, WM_GETFONT, 0, 0));
    for (const auto& swap : fonts)
      if (font && font == swap.first) SendMessageW(r->handle, WM_SETFONT, reinterpret_cast<WPARAM>(swap.second), TRUE);
    for (const auto& swap : pictures)
      if (r->image && r->image == swap.first && r->kind->setState)
        r->kind->setState(*r, reinterpret_cast<intptr_t>(swap.second));
  }
}

namespace controls {

intptr_t CreationResult(int number, int identity, HWND handle) {
  return number == -1 ? static_cast<intptr_t>(identity) : reinterpret_cast<intptr_t>(handle);
}

std::string WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return std::string();
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(hwnd, &buffer[0], length + 1);
  return NarrowTo1252(buffer.c_str(), got);
}

int StoreColour(ControlRecord& r, int which, int32_t colour) {
  if (colour != -1) colour &= 0xFFFFFF;
  if (which == kFrontColour) {
    r.front = colour;
  } else if (which == kBackColour) {
    HBRUSH old = r.backBrush;
    r.backBrush = colour == -1 ? nullptr : AcquireBrush(static_cast<COLORREF>(colour));
    r.back = r.backBrush ? colour : -1;
    ReleaseBrush(old);
  } else {
    return 0;
  }
  InvalidateRect(r.handle, nullptr, TRUE);
  return 1;
}

ControlRecord* ColouredContainerOf(HWND control) {
  ControlRecord* c = RecordOf(GetParent(control));
  return (c && c->kind == &kContainerKind && c->backBrush) ? c : nullptr;
}

bool AnswerColourQuery(ControlRecord& r, WPARAM dc, int fallbackSysColour, LRESULT* result) {
  if (r.front == -1 && r.back == -1) return false;
  HDC hdc = reinterpret_cast<HDC>(dc);
  if (r.front != -1) SetTextColor(hdc, static_cast<COLORREF>(r.front));
  if (r.backBrush) {
    SetBkColor(hdc, static_cast<COLORREF>(r.back));
    *result = reinterpret_cast<LRESULT>(r.backBrush);
  } else {
    SetBkColor(hdc, GetSysColor(fallbackSysColour));
    *result = reinterpret_cast<LRESULT>(GetSysColorBrush(fallbackSysColour));
  }
  return true;
}

bool IsBitmap(HANDLE image) {
  return image && GetObjectType(image) == OBJ_BITMAP;
}

SIZE ImageSize(HANDLE image) {
  SIZE size{0, 0};
  if (!image) return size;
  if (IsBitmap(image)) {
    BITMAP bm{};
    if (GetObjectW(image, sizeof bm, &bm)) size = {bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight};
    return size;
  }
  int width = 0, height = 0;
  if (IconSize(static_cast<HICON>(image), &width, &height)) size = {width, height};
  return size;
}

}  // namespace controls

using namespace controls;

void ControlsStartup() {
  StartCommonControls();
  if (gList.toolTip && IsWindow(gList.toolTip)) DestroyWindow(gList.toolTip);
  gList = ControlList{};
  gList.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

  // A Unicode class, like the program windows whose procedure it runs.
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ContainerWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kContainerClass;
  RegisterClassExW(&wc);
}

void ControlsShutdown() {
  ControlTable().ReleaseAll();
  ReleaseOfferedBitmaps();
  if (gList.toolTip && IsWindow(gList.toolTip)) DestroyWindow(gList.toolTip);
  gList = ControlList{};
  gList.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HWND UseControlParent(HWND window) {
  gList.parent = window;
  gList.dpi = WindowDpi(GetAncestor(window, GA_ROOT));
  gList.enclosingParents.clear();
  gList.previousWasOption = false;
  return window;
}

void EndContainer() {
  if (gList.enclosingParents.empty()) return;
  gList.parent = gList.enclosingParents.back();
  gList.enclosingParents.pop_back();
  gList.previousWasOption = false;
}

int SetControlFont(int number, HFONT font) {
  if (font == reinterpret_cast<HFONT>(-1)) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (number == -1) {
    gList.font = font;
    return 1;
  }
  ControlRecord* r = FindControl(number);
  if (!r) return 0;
  SendMessageW(r->handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return 1;
}

int SetControlText(int number, const char* text) {
  ControlRecord* r = FindControl(number);
  if (!r) return 0;
  return SetWindowTextW(r->handle, Widen(text).c_str()) ? 1 : 0;
}

std::string GetControlText(int number) {
  ControlRecord* r = FindControl(number);
  return r ? WindowText(r->handle) : std::string();
}

bool GetControlTextExactly(int number, std::string* text) {
  text->clear();
  ControlRecord* r = FindControl(number);
  if (!r) return true;
  const int length = GetWindowTextLengthW(r->handle);
  if (length <= 0) return true;
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(r->handle, &buffer[0], length + 1);
  return NarrowTo1252Exactly(buffer.c_str(), got, text);
}

intptr_t GetControlState(int number) {
  ControlRecord* r = FindControl(number);
  return (r && r->kind->getState) ? r->kind->getState(*r) : 0;
}

int SetControlState(int number, intptr_t value) {
  // The only operation another thread (the periodic timer) reaches. The table
  // lookup takes its reader lock; a numbered record's storage never goes away,
  // so copying the handle and kind right after it is safe.
  ControlRecord* r = FindControl(number);
  if (!r) return 0;
  HWND control = r->handle;
  const ControlKind* kind = r->kind;
  if (!kind || !kind->setState) return 0;
  if (GetWindowThreadProcessId(control, nullptr) != GetCurrentThreadId()) {
    if (!kind->stateFromOtherThreads) return 0;
    return SetImageFromOtherThread(control, reinterpret_cast<HANDLE>(value));
  }
  return kind->setState(*r, value);
}

int AddControlItem(int number, int position, const char* text, HANDLE image) {
  ControlRecord* r = FindControl(number);
  return (r && r->kind->addItem) ? r->kind->addItem(*r, position, text, image) : 0;
}

int RemoveControlItem(int number, int position) {
  ControlRecord* r = FindControl(number);
  return (r && r->kind->removeItem) ? r->kind->removeItem(*r, position) : 0;
}

int ClearControlItems(int number) {
  ControlRecord* r = FindControl(number);
  return (r && r->kind->clearItems) ? r->kind->clearItems(*r) : 0;
}

int CountControlItems(int number) {
  ControlRecord* r = FindControl(number);
  return (r && r->kind->countItems) ? r->kind->countItems(*r) : 0;
}

int GetControlItemState(int number, int item) {
  ControlRecord* r = FindControl(number);
  return (r && r->kind->getItemState) ? r->kind->getItemState(*r, item) : 0;
}

int SetControlItemState(int number, int item, int state) {
  ControlRecord* r = FindControl(number);
  return (r && r->kind->setItemState) ? r->kind->setItemState(*r, item, state) : 0;
}

int SetControlColour(int number, int which, int32_t colour) {
  ControlRecord* r = FindControl(number);
  return (r && r->kind->setColour) ? r->kind->setColour(*r, which, colour) : 0;
}

int SetControlToolTip(int number, const char* text) {
  ControlRecord* r = FindControl(number);
  if (!r) return 0;
  HWND tip = ToolTipWindow();
  if (!tip) return 0;
  TTTOOLINFOW ti{};
  // The version 2 size is the largest that both common-controls versions accept.
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.hwnd = r->toolParent ? r->toolParent : GetParent(r->handle);
  ti.uId = reinterpret_cast<UINT_PTR>(r->handle);
  SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  std::wstring wide = Widen(text);
  ti.hwnd = GetParent(r->handle);
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.lpszText = &wide[0];
  if (wide.empty()) ti.lpszText = const_cast<wchar_t*>(L"");
  if (!SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti))) {
    r->toolParent = nullptr;
    return 0;
  }
  r->toolParent = ti.hwnd;
  return 1;
}

int DisableControl(int number, int disable) {
  ControlRecord* r = FindControl(number);
  if (!r) return 0;
  // Disabling the focused field takes the focus away from it.
  ProgramFocusMove programMove;
  EnableWindow(r->handle, disable ? FALSE : TRUE);
  return 1;
}

int FocusControl(int number) {
  ProgramFocusMove programMove;
  if (number == -1) {
    SetFocus(nullptr);
    return 1;
  }
  ControlRecord* r = FindControl(number);
  if (!r) return 0;
  SetFocus(r->handle);
  return 1;
}

int FocusedControl() {
  // Walk up from the focus: the edit part of an editable combo box (or a list
  // view's label editor) belongs to the control that holds it.
  for (HWND w = GetFocus(); w && (GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD); w = GetParent(w)) {
    if (ControlRecord* r = RecordOf(w)) return r->number;
  }
  return -1;
}

HWND ControlHandle(int number) {
  ControlRecord* r = FindControl(number);
  return r ? r->handle : nullptr;
}

int ControlExists(int number) { return FindControl(number) ? 1 : 0; }

bool OfferToControl(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  HWND control = nullptr;
  switch (msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      control = reinterpret_cast<HWND>(lParam);
      break;
    case WM_NOTIFY:
      control = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
      break;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_MENU) return false;
      control = item->hwndItem;
      break;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_MENU) return false;
      control = GetDlgItem(parent, static_cast<int>(item->CtlID));
      break;
    }
    default:
      return false;
  }
  ControlRecord* r = RecordOf(control);
  LRESULT answer = 0;
  if (r && r->kind->parentMessage && r->kind->parentMessage(*r, msg, wParam, lParam, &answer)) {
    if (result) *result = answer;
    return true;
  }
  // Controls without colours of their own take a coloured container's back.
  if (r && (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN)) {
    if (ControlRecord* c = ColouredContainerOf(control)) {
      SetBkColor(reinterpret_cast<HDC>(wParam), static_cast<COLORREF>(c->back));
      if (result) *result = reinterpret_cast<LRESULT>(c->backBrush);
      return true;
    }
  }
  return false;
}

}  // namespace ui
