// The open-file, message-box and font dialogs under one modal rule.
#include "ui/standard_dialogs.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "ui/system_library.h"
#include "ui/ui.h"

namespace ui {
namespace {

// The common dialogs come from the system folder when one first opens (see
// system_library.h); linked, their library and the printing support it
// brings would load at every start.
BOOL OpenFileRequester(OPENFILENAMEW* request) {
  static const auto open = SystemFunction<decltype(&::GetOpenFileNameW)>("comdlg32.dll", "GetOpenFileNameW");
  return open ? open(request) : FALSE;
}

BOOL FontRequester(CHOOSEFONTA* request) {
  static const auto choose = SystemFunction<decltype(&::ChooseFontA)>("comdlg32.dll", "ChooseFontA");
  return choose ? choose(request) : FALSE;
}

// A platform dialog only disables its owner. The program's other windows
// (a dialog of our own beside the main window, say) must not be usable
// either, so they are disabled for the dialog's lifetime; windows that were
// already disabled are left alone so that they stay disabled afterwards.
class ModalScope {
 public:
  ModalScope() {
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (foreground) GetWindowThreadProcessId(foreground, &process);
    owner_ = (foreground && process == GetCurrentProcessId()) ? foreground : nullptr;
    foreground_ = foreground;
    EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
    for (HWND w : disabled_) EnableWindow(w, FALSE);
  }
  ~ModalScope() {
    for (HWND w : disabled_)
      if (IsWindow(w)) EnableWindow(w, TRUE);
  }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

  HWND Owner() const { return owner_; }

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM self) {
    auto* scope = reinterpret_cast<ModalScope*>(self);
    if (window != scope->foreground_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
      try {
        scope->disabled_.push_back(window);
      } catch (const std::bad_alloc&) {
        return FALSE;  // not unwound through the system's enumeration
      }
    }
    return TRUE;
  }

  HWND owner_ = nullptr;
  HWND foreground_ = nullptr;
  std::vector<HWND> disabled_;
};

int gLastFilter = 0;

LOGFONTA gFont;
CHOOSEFONTA gFontDialog;

// The list's NUL separators survive the conversion, which stops at none.
std::wstring WideFilterList(const std::string& list) {
  std::wstring wide(list.size(), L'\0');
  const int n = MultiByteToWideChar(1252, 0, list.data(), static_cast<int>(list.size()), &wide[0],
                                    static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return wide;
}

bool IsRejectedNameCharacter(unsigned char c) {
  return c < 0x20 || c == 0x7F || std::strchr("\"*/:<>?\\|", c) != nullptr;
}

}  // namespace

std::string FilterList(const char* filter) {
  std::string list = filter ? filter : "";
  std::replace(list.begin(), list.end(), '|', '\0');
  list.push_back('\0');
  list.push_back('\0');
  return list;
}

InitialPlace SplitDefaultPath(const char* defaultPath) {
  InitialPlace place;
  std::string path = defaultPath ? defaultPath : "";
  size_t slash = path.rfind('\\');
  if (slash == std::string::npos) {
    place.fileName = path;
  } else {
    place.folder = path.substr(0, slash);
    place.fileName = path.substr(slash + 1);
    // "T:" alone names the current folder of drive T, not its root.
    if (place.folder.size() == 2 && place.folder[1] == ':') place.folder += '\\';
  }
  if (std::any_of(place.fileName.begin(), place.fileName.end(),
                  [](char c) { return IsRejectedNameCharacter(static_cast<unsigned char>(c)); }))
    place.fileName.clear();
  return place;
}

std::string ChooseFileToOpen(const char* title, const char* defaultPath, const char* filter, int filterIndex) {
  // Title and filter are the program's texts; the paths are the system's.
  const std::string filterList = FilterList(filter);
  const std::wstring filters = filterList.empty() ? std::wstring() : WideFilterList(filterList);
  const std::wstring wideTitle = WideFrom1252(title);
  InitialPlace place = SplitDefaultPath(defaultPath);
  const std::wstring folder = WideFromSystem(place.folder.c_str());
  std::vector<wchar_t> file(MAX_PATH, L'\0');
  WideFromSystem(place.fileName.c_str()).copy(file.data(), file.size() - 1);

  OPENFILENAMEW request = {};
  request.lStructSize = sizeof request;
  request.lpstrFilter = (filter && *filter) ? filters.c_str() : nullptr;
  request.nFilterIndex = static_cast<DWORD>(std::max(filterIndex, 0)) + 1;
  request.lpstrFile = file.data();
  request.nMaxFile = static_cast<DWORD>(file.size());
  request.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  request.lpstrTitle = title ? wideTitle.c_str() : nullptr;
  // A portable program leaves no trace on the PC: the chosen file does not
  // go into the user's recent documents (nor the jump lists fed from them).
  request.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_DONTADDTORECENT;

  BOOL confirmed;
  {
    ModalScope scope;
    request.hwndOwner = scope.Owner();
    confirmed = OpenFileRequester(&request);
  }
  if (!confirmed) return std::string();
  gLastFilter = request.nFilterIndex > 0 ? static_cast<int>(request.nFilterIndex) - 1 : 0;
  file.back() = L'\0';
  return NarrowToSystem(file.data());
}

int LastChosenFilter() { return gLastFilter; }

int ShowMessage(const char* title, const char* text, uint32_t flags) {
  ModalScope scope;
  const std::wstring wideTitle = WideFrom1252(title);
  return MessageBoxW(scope.Owner(), WideFrom1252(text).c_str(), title ? wideTitle.c_str() : nullptr, flags);
}

int ChooseFont(const char* face, int size, uint32_t flags, int32_t colour) {
  std::memset(&gFont, 0, sizeof gFont);
  std::memset(&gFontDialog, 0, sizeof gFontDialog);
  if (face) std::strncpy(gFont.lfFaceName, face, LF_FACESIZE - 1);
  if (size != 0) gFont.lfHeight = FontHeightForPoints(size);

  gFontDialog.lStructSize = sizeof gFontDialog;
  gFontDialog.lpLogFont = &gFont;
  gFontDialog.Flags = flags | CF_BOTH | CF_INITTOLOGFONTSTRUCT;
  if (colour != -1) gFontDialog.rgbColors = static_cast<COLORREF>(colour);

  ModalScope scope;
  gFontDialog.hwndOwner = scope.Owner();
  return FontRequester(&gFontDialog) ? 1 : 0;
}

std::string ChosenFontFace() { return std::string(gFont.lfFaceName, strnlen(gFont.lfFaceName, LF_FACESIZE)); }

int ChosenFontSize() { return gFontDialog.iPointSize / 10; }

int32_t ChosenFontColour() { return static_cast<int32_t>(gFontDialog.rgbColors); }

int ChosenFontStyle() {
  int style = 0;
  if (gFontDialog.nFontType & BOLD_FONTTYPE) style |= kFontBold;
  if (gFontDialog.nFontType & ITALIC_FONTTYPE) style |= kFontItalic;
  if (gFont.lfUnderline) style |= kFontUnderline;
  if (gFont.lfStrikeOut) style |= kFontStrikeOut;
  return style;
}

}  // namespace ui
