// Tray icons. The shell forgets them when it restarts; ReaddTrayIcons puts
// them back when the "TaskbarCreated" broadcast arrives.
#include <windows.h>
#include <shellapi.h>

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
  NOTIFYICONDATAW nid = Data(r);
  if (!NotifyIcon(NIM_ADD, &nid)) {
    Trays().Forget(number);
    return 0;
  }
  *rec = r;
  return 1;
}

void ReaddTrayIcons() {
  Trays().ForEach([](int, const TrayRecord& r) {
    NOTIFYICONDATAW nid = Data(r);
    NotifyIcon(NIM_ADD, &nid);
  });
}

void TrayShutdown() { Trays().ReleaseAll(); }

}  // namespace ui
