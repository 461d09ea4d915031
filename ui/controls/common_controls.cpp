#include "ui/controls/common_controls.h"

// The rest of the program calls the library as <commctrl.h> declares it:
// through the import slots the linker fills for a library it links
// (__imp_Name). This file defines those slots itself. Each starts at a
// stand-in that waits for the library, points every slot at the real
// function and calls it; a function the library lacks answers as a failed
// call. Not including <commctrl.h> keeps its declarations of the same names
// away from the slots.
#include <windows.h>

namespace ui {
namespace controls {

namespace {

HANDLE gLoader = nullptr;
HMODULE gLibrary = nullptr;
bool gSlotsFilled = false;
// The activation context that asks for version 6 (the program's manifest
// resource 17).
HANDLE gContext = INVALID_HANDLE_VALUE;

constexpr WORD kManifestResource = 17;
constexpr WORD kManifestType = 24;  // RT_MANIFEST

// What the library's InitCommonControlsEx takes.
struct ClassesToRegister {
  DWORD size;
  DWORD classes;
};
constexpr DWORD kWin95Classes = 0xFF;
constexpr DWORD kStandardClasses = 0x4000;

// Made from the program's own resource, not from a file beside it. A program
// without the resource (the tests) gets the library as it comes.
HANDLE MakeContext() {
  HMODULE program = GetModuleHandleW(nullptr);
  if (!FindResourceW(program, MAKEINTRESOURCEW(kManifestResource), MAKEINTRESOURCEW(kManifestType)))
    return INVALID_HANDLE_VALUE;
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.hModule = program;
  request.lpResourceName = MAKEINTRESOURCEW(kManifestResource);
  return CreateActCtxW(&request);
}

void LoadAndRegister() {
  // Active here, the context makes this version 6, from the system's
  // side-by-side store; plain names load from the system folder only (see
  // HardenProcess). The classes register under version 6's names.
  ULONG_PTR cookie = 0;
  const bool active = gContext != INVALID_HANDLE_VALUE && ActivateActCtx(gContext, &cookie);
  HMODULE library = LoadLibraryW(L"comctl32.dll");
  if (library) {
    using Init = BOOL(WINAPI*)(const ClassesToRegister*);
    if (auto init = reinterpret_cast<Init>(reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")))) {
      ClassesToRegister classes{sizeof classes, kWin95Classes};
      init(&classes);
      // Only version 6 knows the standard classes; version 5 registers them anyway.
      classes.classes = kStandardClasses;
      init(&classes);
    }
  }
  if (active) DeactivateActCtx(0, cookie);
  gLibrary = library;
}

DWORD WINAPI LoaderThread(void*) {
  LoadAndRegister();
  return 0;
}

void FillSlots();

}  // namespace

void StartCommonControls() {
  if (gLoader || gSlotsFilled) return;
  // Active on this thread for good, from before its first window: every
  // window of it is made, and every procedure of it runs, with version 6, so
  // the dialogs and message boxes opened from a click are version 6 too.
  if (gContext == INVALID_HANDLE_VALUE) {
    gContext = MakeContext();
    ULONG_PTR cookie = 0;
    if (gContext != INVALID_HANDLE_VALUE) ActivateActCtx(gContext, &cookie);
  }
  gLoader = CreateThread(nullptr, 0, LoaderThread, nullptr, 0, nullptr);
}

void AwaitCommonControls() {
  if (gSlotsFilled) return;
  if (gLoader) {
    WaitForSingleObject(gLoader, INFINITE);
    CloseHandle(gLoader);
    gLoader = nullptr;
  } else {
    LoadAndRegister();
  }
  FillSlots();
  gSlotsFilled = true;
}

HMODULE CommonControlsLibrary() {
  AwaitCommonControls();
  return gLibrary;
}

}  // namespace controls
}  // namespace ui

#if defined(_WIN64)
#define TROVANTO_IMPORT_SLOT(name, bytes) "__imp_" #name
#else
#define TROVANTO_IMPORT_SLOT(name, bytes) "__imp__" #name "@" #bytes
#endif

// Every function of the library the program calls (InitCommonControlsEx
// only the loading thread does, by itself): result, name, bytes of
// arguments (the 32-bit decoration), parameters, arguments. <commctrl.h>
// declares most of them as imports, called through their slot; the subclass
// functions it declares as plain functions, which this file defines.
#define TROVANTO_COMMON_CONTROLS(IMPORTED, PLAIN)                                                  \
  IMPORTED(void*, ImageList_Create, 20, (int a, int b, UINT c, int d, int e), (a, b, c, d, e))     \
  IMPORTED(BOOL, ImageList_Destroy, 4, (void* a), (a))                                             \
  IMPORTED(int, ImageList_Add, 12, (void* a, HBITMAP b, HBITMAP c), (a, b, c))                     \
  IMPORTED(int, ImageList_ReplaceIcon, 12, (void* a, int b, HICON c), (a, b, c))                   \
  IMPORTED(BOOL, ImageList_Remove, 8, (void* a, int b), (a, b))                                    \
  IMPORTED(int, ImageList_GetImageCount, 4, (void* a), (a))                                        \
  IMPORTED(BOOL, ImageList_GetIconSize, 12, (void* a, int* b, int* c), (a, b, c))                  \
  PLAIN(LRESULT, DefSubclassProc, 16, (HWND a, UINT b, WPARAM c, LPARAM d), (a, b, c, d))          \
  PLAIN(BOOL, SetWindowSubclass, 16, (HWND a, void* b, UINT_PTR c, DWORD_PTR d), (a, b, c, d))     \
  PLAIN(BOOL, RemoveWindowSubclass, 12, (HWND a, void* b, UINT_PTR c), (a, b, c))

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"

#define TROVANTO_SLOT(result, name, params, args, label)        \
  namespace {                                                   \
  result WINAPI name##Waiting params;                           \
  result WINAPI name##Missing params { return {}; }             \
  }                                                             \
  result(WINAPI* name##Slot) params label = name##Waiting;      \
  namespace {                                                   \
  result WINAPI name##Waiting params {                          \
    ui::controls::AwaitCommonControls();                        \
    return name##Slot args;                                     \
  }                                                             \
  }
#define TROVANTO_IMPORTED(result, name, bytes, params, args) \
  TROVANTO_SLOT(result, name, params, args, __asm__(TROVANTO_IMPORT_SLOT(name, bytes)))
#define TROVANTO_PLAIN(result, name, bytes, params, args) \
  TROVANTO_SLOT(result, name, params, args, )             \
  extern "C" result WINAPI name params { return name##Slot args; }
TROVANTO_COMMON_CONTROLS(TROVANTO_IMPORTED, TROVANTO_PLAIN)
#undef TROVANTO_IMPORTED
#undef TROVANTO_PLAIN
#undef TROVANTO_SLOT

#pragma GCC diagnostic pop

namespace ui {
namespace controls {
namespace {

template <typename Function>
void Fill(Function* slot, Function missing, const char* name) {
  void* found = gLibrary ? reinterpret_cast<void*>(GetProcAddress(gLibrary, name)) : nullptr;
  *slot = found ? reinterpret_cast<Function>(found) : missing;
}

void FillSlots() {
#define TROVANTO_FILL(result, name, bytes, params, args) Fill(&name##Slot, name##Missing, #name);
  TROVANTO_COMMON_CONTROLS(TROVANTO_FILL, TROVANTO_FILL)
#undef TROVANTO_FILL
}

}  // namespace
}  // namespace controls
}  // namespace ui
