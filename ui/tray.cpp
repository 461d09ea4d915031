// Tray icons. The shell forgets them when it restarts, and refuses them while
// its task bar is not up (right after a login): each icon is kept either way,
// and ReaddTrayIcons puts it in place when the "TaskbarCreated" broadcast
// announces a task bar. Without the icon a hidden main window could not come
// back.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "ui/events.h"
#include "ui/object_table.h"
#include "ui/system_library.h"
#include "ui/ui.h"

namespace ui {
namespace {

// From the system folder at first use (see system_library.h): the tray icon
// comes after the first paint, and a linked shell would load before it.
BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  static const auto notify = SystemFunction<decltype(&::Shell_NotifyIconW)>("shell32.dll", "Shell_NotifyIconW");
  return notify ? notify(message, data) : FALSE;
}

struct TrayRecord {
  HWND handle = nullptr;  // the owner window
  HICON icon = nullptr;
  int number = 0;
  bool shown = false;  // the shell took it
};

NOTIFYICONDATAW Data(const TrayRecord& r) {
  NOTIFYICONDATAW nid = {};
  nid.cbSize = sizeof nid;
  nid.hWnd = r.handle;
  nid.uID = static_cast<UINT>(r.number);
  nid.uFlags = NIF_MESSAGE | NIF_ICON;
  nid.uCallbackMessage = kMsgTrayCallback;
  nid.hIcon = r.icon;
  return nid;
}

void ReleaseTray(TrayRecord& r) {
  NOTIFYICONDATAW nid = Data(r);
  NotifyIcon(NIM_DELETE, &nid);
}

ObjectTable<TrayRecord>& Trays() {
  static ObjectTable<TrayRecord> table(16, ReleaseTray);
  return table;
}

}  // namespace

int AddTrayIcon(int number, HWND owner, HICON icon) {
  if (!owner || !icon) return 0;
  TrayRecord* rec = Trays().Reserve(number);
  if (!rec) return 0;
  TrayRecord r;
  r.handle = owner;
  r.icon = icon;
  r.number = number;
  // A launcher that runs elevated would not hear the broadcast of a shell
  // that does not.
  static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  if (taskbarCreated) ChangeWindowMessageFilterEx(owner, taskbarCreated, MSGFLT_ALLOW, nullptr);
  NOTIFYICONDATAW nid = Data(r);
  r.shown = NotifyIcon(NIM_ADD, &nid) != FALSE;
  *rec = r;
  return r.shown ? 1 : 0;
}

void ReaddTrayIcons(HWND owner) {
  std::vector<int> numbers;
  Trays().ForEach([&](int number, const TrayRecord& r) {
    if (r.handle == owner) numbers.push_back(number);
  });
  for (int number : numbers) {
    TrayRecord* r = Trays().Find(number);
    if (!r) continue;
    NOTIFYICONDATAW nid = Data(*r);
    // The broadcast also comes while the icon is still there (a new display
    // setting): the shell then refuses a second add and takes a change.
    bool shown = NotifyIcon(NIM_ADD, &nid) != FALSE;
    if (!shown && r->shown) shown = NotifyIcon(NIM_MODIFY, &nid) != FALSE;
    r->shown = shown;
  }
}

void TrayShutdown() { Trays().ReleaseAll(); }

}  // namespace ui
