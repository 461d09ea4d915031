// Popup menus built item by item, with one level of submenus used by the
// program (the build state allows 64).
#include <windows.h>

#include "ui/object_table.h"
#include "ui/ui.h"

namespace ui {
namespace {

struct MenuRecord {
  HMENU handle = nullptr;
  HWND bar = nullptr;  // window whose menu bar shows it; none for popups
};

void ReleaseMenu(MenuRecord& r) {
  if (r.handle) DestroyMenu(r.handle);
}

ObjectTable<MenuRecord>& Menus() {
  static ObjectTable<MenuRecord> table(16, ReleaseMenu);
  return table;
}

struct BuildState {
  MenuRecord* menu = nullptr;  // the menu being built
  HMENU current = nullptr;     // where items go now
  HMENU stack[64] = {};
  int depth = 0;
} gBuild;

void Append(UINT flags, UINT_PTR id, const char* text) {
  if (!gBuild.current) return;
  AppendMenuW(gBuild.current, flags, id, WideFrom1252(text).c_str());
  if (gBuild.menu && gBuild.menu->bar) DrawMenuBar(gBuild.menu->bar);
}

}  // namespace

HMENU NewPopupMenu(int number) {
  MenuRecord* rec = Menus().Reserve(number);
  if (!rec) return nullptr;
  HMENU menu = CreatePopupMenu();
  if (!menu) {
    Menus().Forget(number);
    return nullptr;
  }
  rec->handle = menu;
  gBuild = BuildState{};
  gBuild.menu = rec;
  gBuild.current = menu;
  return menu;
}

void OpenTopSubmenu(const char* text) {
  if (!gBuild.menu) return;
  gBuild.depth = 0;
  gBuild.current = gBuild.menu->handle;
  HMENU sub = CreatePopupMenu();
  if (!sub) return;
  Append(MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), text);
  gBuild.stack[gBuild.depth++] = gBuild.current;
  gBuild.current = sub;
}

void AddMenuItem(int identifier, const char* text) {
  Append(MF_STRING, static_cast<UINT_PTR>(static_cast<unsigned>(identifier)), text);
}

void AddMenuSeparator() { Append(MF_SEPARATOR, 0, nullptr); }

void CloseSubmenu() {
  if (gBuild.depth > 0) gBuild.current = gBuild.stack[--gBuild.depth];
}

int ShowPopupMenu(int number, HWND owner) {
  MenuRecord* rec = Menus().Find(number);
  if (!rec) return 0;
  // The owner must be in front, or the menu does not close when the user
  // clicks elsewhere.
  SetForegroundWindow(owner);
  POINT pt;
  GetCursorPos(&pt);
  TrackPopupMenu(rec->handle, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, pt.x - 1, pt.y - 1, 0, owner, nullptr);
  PostMessageW(owner, WM_NULL, 0, 0);
  return 1;
}

void MenusShutdown() {
  Menus().ReleaseAll();
  gBuild = BuildState{};
}

}  // namespace ui
