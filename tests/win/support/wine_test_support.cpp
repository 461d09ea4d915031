#include "wine_test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>
#include <zlib.h>

#include "ui/controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/ui.h"

namespace wine_test {

namespace {

void Put32BigEndian(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift));
}

void PutLittle(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

void PngChunk(std::string& out, const char* type, const std::string& data) {
  Put32BigEndian(out, static_cast<uint32_t>(data.size()));
  const std::string body = type + data;
  out += body;
  Put32BigEndian(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                  static_cast<uInt>(body.size()))));
}

}  // namespace

std::string SolidPng(uint32_t width, uint32_t height, uint32_t colour, size_t paddingBytes) {
  std::string png = "\x89PNG\r\n\x1A\n";
  std::string header;
  Put32BigEndian(header, width);
  Put32BigEndian(header, height);
  header += std::string("\x08\x06\x00\x00\x00", 5);
  PngChunk(png, "IHDR", header);
  // A private, safe-to-copy chunk: nothing reads it, every decoder skips it.
  if (paddingBytes) PngChunk(png, "prVt", std::string(paddingBytes, 'x'));

  std::string row(1 + 4 * size_t{width}, '\0');
  for (size_t x = 0; x < width; ++x) {
    row[1 + 4 * x] = static_cast<char>(colour >> 16);
    row[2 + 4 * x] = static_cast<char>(colour >> 8);
    row[3 + 4 * x] = static_cast<char>(colour);
    row[4 + 4 * x] = static_cast<char>(colour >> 24);
  }
  z_stream z{};
  deflateInit(&z, 9);
  std::string data;
  char buffer[1 << 16];
  for (uint32_t y = 0; y <= height; ++y) {
    const bool last = y == height;
    z.next_in = last ? nullptr : reinterpret_cast<Bytef*>(&row[0]);
    z.avail_in = last ? 0 : static_cast<uInt>(row.size());
    int result;
    do {
      z.next_out = reinterpret_cast<Bytef*>(buffer);
      z.avail_out = sizeof buffer;
      result = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      data.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0 || (last && result != Z_STREAM_END));
  }
  deflateEnd(&z);
  PngChunk(png, "IDAT", data);
  PngChunk(png, "IEND", "");
  return png;
}

std::string BitmapIconImage(int side, uint32_t colour) {
  std::string image;
  PutLittle(image, 40, 4);
  PutLittle(image, static_cast<uint32_t>(side), 4);
  PutLittle(image, static_cast<uint32_t>(2 * side), 4);
  PutLittle(image, 1, 2);
  PutLittle(image, 32, 2);
  image.append(24, '\0');
  for (int p = 0; p < side * side; ++p) PutLittle(image, colour, 4);
  image.append(static_cast<size_t>((side + 31) / 32 * 4) * side, '\0');
  return image;
}

std::string IconFile(const std::vector<IconFileImage>& images) {
  std::string file;
  PutLittle(file, 0, 2);
  PutLittle(file, 1, 2);
  PutLittle(file, static_cast<uint32_t>(images.size()), 2);
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const IconFileImage& i : images) {
    const uint8_t side = static_cast<uint8_t>(i.side >= 256 ? 0 : i.side);
    file.push_back(static_cast<char>(side));
    file.push_back(static_cast<char>(side));
    PutLittle(file, 0, 2);
    PutLittle(file, 1, 2);
    PutLittle(file, 32, 2);
    PutLittle(file, static_cast<uint32_t>(i.bytes.size()), 4);
    PutLittle(file, offset, 4);
    offset += static_cast<uint32_t>(i.bytes.size());
  }
  for (const IconFileImage& i : images) file += i.bytes;
  return file;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string Lower(std::string s) {
  CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::string To1252(const wchar_t* text) {
  char narrow[1024] = {};
  WideCharToMultiByte(1252, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

void StartServices() {
  ui::WindowsStartup();
  ui::ControlsStartup();
  ui::ImagesStartup();
}

void StopServices() {
  ui::WindowsShutdown();
  ui::ImagesShutdown();
  ui::FontsShutdown();
}

void MakeDialogFonts() {
  ui::MakeFont(11, "Arial", 8, 0);
  ui::MakeFont(12, "Tahoma", 8, 0);
  ui::MakeFont(13, "Tahoma", 8, ui::kFontBold);
  ui::MakeFont(14, "Tahoma", 7, 0);
}

void LoadIcons(const std::string& folder, const std::vector<int>& numbers) {
  for (int n : numbers) {
    const std::string path = folder + std::to_string(n) + ".ico";
    ASSERT_NE(ui::ImageFromFile(n, path.c_str()), 0) << path;
  }
}

void LoadIcons(const std::string& folder, int first, int last) {
  std::vector<int> numbers;
  for (int n = first; n <= last; ++n) numbers.push_back(n);
  LoadIcons(folder, numbers);
}

void CreateMainWindow(int x, int y) {
  ASSERT_NE(ui::CreateProgramWindow(60, x, y, 216, 408, "", ui::kBorderlessPopup, nullptr), 0);
  ui::UseControlParent(ui::WindowHandle(60));
}

intptr_t CreateMainList(int x, int y, int w, int h) { return ui::CreateIconList(89, x, y, w, h, "", 160, 0); }

bool PumpUntil(Forwarder forward, const std::function<bool()>& done, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs;) {
    forward(ui::WaitForEvent(20));
    if (done()) return true;
  }
  return done();
}

void PumpFor(Forwarder forward, DWORD ms) {
  PumpUntil(forward, [] { return false; }, ms);
}

std::vector<Event> Drain(int quietMs) {
  std::vector<Event> out;
  DWORD last = GetTickCount();
  while (GetTickCount() - last < static_cast<DWORD>(quietMs)) {
    int code = ui::WaitForEvent(20);
    if (code == ui::kNoEvent) continue;
    out.push_back({code, ui::EventSource(), ui::EventSubtype(), ui::EventWindowNumber()});
    last = GetTickCount();
  }
  return out;
}

std::vector<std::string> ListViewItems(HWND list) {
  std::vector<std::string> items;
  const int count = ListView_GetItemCount(list);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    items.push_back(To1252(text));
  }
  return items;
}

std::string WindowText(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return To1252(text);
}

namespace {

struct DialogSearch {
  const char* title;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  char cls[16] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (search->title && WindowText(window) != search->title) return TRUE;
  search->found = window;
  return FALSE;
}

struct ControlSearch {
  int id;
  const char* cls;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ControlSearch*>(param);
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (GetDlgCtrlID(window) != search->id || lstrcmpiA(cls, search->cls) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

int CALLBACK TakeFirstScalableFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD type, LPARAM param) {
  auto* face = reinterpret_cast<std::string*>(param);
  if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == '@') return 1;
  *face = font->lfFaceName;
  return 0;
}

}  // namespace

HWND FindDialog(DWORD thread, const char* title) {
  DialogSearch search{title, nullptr};
  EnumThreadWindows(thread, MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForDialog(DWORD thread, const char* title, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20))
    if (HWND dialog = FindDialog(thread, title)) return dialog;
  return nullptr;
}

std::string AnswerMessageBox(DWORD thread, DWORD timeoutMs, std::string* title) {
  HWND box = WaitForDialog(thread, nullptr, timeoutMs);
  if (!box) return std::string();
  wchar_t text[1024] = {};
  // The message's static control has the id 0xFFFF in the platform's box.
  GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 1024);
  if (title) {
    wchar_t caption[256] = {};
    GetWindowTextW(box, caption, 256);
    *title = To1252(caption);
  }
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return To1252(text);
}

BOOL CALLBACK TakeStaticText(HWND child, LPARAM param) {
  char cls[16] = {};
  GetClassNameA(child, cls, sizeof cls);
  auto* text = reinterpret_cast<std::string*>(param);
  if (_stricmp(cls, "Static") == 0 && GetWindowTextLengthW(child) > 0) {
    *text = WindowText(child);
    return FALSE;
  }
  return TRUE;
}

std::string MessageText(HWND box) {
  std::string text;
  EnumChildWindows(box, TakeStaticText, reinterpret_cast<LPARAM>(&text));
  return text;
}

MessageAnswerer::MessageAnswerer(DWORD thread, std::string title, std::vector<int> buttons)
    : thread_(thread), title_(std::move(title)), buttons_(std::move(buttons)), worker_([this] { Run(); }) {}

std::vector<std::string> MessageAnswerer::Stop() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
  return texts_;
}

void MessageAnswerer::Run() {
  while (!stop_) {
    HWND box = FindDialog(thread_, title_.c_str());
    if (!box) {
      Sleep(10);
      continue;
    }
    const size_t n = texts_.size();
    texts_.push_back(MessageText(box));
    const int button = buttons_.empty() ? IDOK : buttons_[n < buttons_.size() ? n : buttons_.size() - 1];
    PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    for (DWORD start = GetTickCount(); IsWindow(box) && IsWindowVisible(box) && GetTickCount() - start < 5000;)
      Sleep(5);
  }
}

HWND FindControl(HWND dialog, int id, const char* cls) {
  ControlSearch search{id, cls, nullptr};
  EnumChildWindows(dialog, MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FileNameEdit(HWND dialog) {
  // The edit of cmb13 in explorer style, edt1 in older templates.
  HWND edit = FindControl(dialog, 0x47C, "Edit");
  return edit ? edit : FindControl(dialog, 0x480, "Edit");
}

std::string ScalableFace() {
  std::string face;
  HDC dc = GetDC(nullptr);
  LOGFONTA wanted = {};
  wanted.lfCharSet = DEFAULT_CHARSET;
  for (const char* preferred : {"Arial", "DejaVu Sans", "Liberation Sans", "Tahoma"}) {
    std::strncpy(wanted.lfFaceName, preferred, LF_FACESIZE - 1);
    EnumFontFamiliesExA(dc, &wanted, TakeFirstScalableFace, reinterpret_cast<LPARAM>(&face), 0);
    if (!face.empty()) break;
  }
  if (face.empty()) {
    wanted.lfFaceName[0] = '\0';
    EnumFontFamiliesExA(dc, &wanted, TakeFirstScalableFace, reinterpret_cast<LPARAM>(&face), 0);
  }
  ReleaseDC(nullptr, dc);
  return face;
}

void PressMouse(DWORD down, DWORD up) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = down;
  in[1].mi.dwFlags = up;
  SendInput(2, in, sizeof(INPUT));
}

void ClickAt(POINT p, DWORD down, DWORD up) {
  SetCursorPos(p.x, p.y);
  PressMouse(down, up);
}

POINT CentreOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void PostChars(HWND field, const char* text) {
  for (const char* c = text; *c; ++c) PostMessageW(field, WM_CHAR, static_cast<WPARAM>(*c), 1);
}

void PostChars(HWND field, const std::wstring& text) {
  for (wchar_t c : text) PostMessageW(field, WM_CHAR, c, 1);
}

namespace {

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM count) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<long*>(count);
  EnumChildWindows(window, CountChild, count);
  return TRUE;
}

}  // namespace

GuiObjects CountGuiObjects() {
  GuiObjects counts;
  HANDLE self = GetCurrentProcess();
  SetLastError(0);
  counts.gdi = static_cast<long>(GetGuiResources(self, GR_GDIOBJECTS));
  counts.user = static_cast<long>(GetGuiResources(self, GR_USEROBJECTS));
  if (counts.gdi != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return counts;

  // Wine keeps one GDI handle table per process, named in its PEB; an entry
  // in use has a type (offset 14 of its 24 bytes).
#ifdef _WIN64
  auto* peb = reinterpret_cast<unsigned char*>(__readgsqword(0x60));
  auto* table = *reinterpret_cast<unsigned char**>(peb + 0xF8);
#else
  // Spelled out: GCC 12 at -O2 takes __readfsdword for an empty array access.
  unsigned char* peb = nullptr;
  __asm__ volatile("movl %%fs:0x30, %0" : "=r"(peb));
  auto* table = *reinterpret_cast<unsigned char**>(peb + 0x94);
#endif
  for (size_t i = 0; table && i < 0x10000; ++i)
    if (table[24 * i + 14] != 0) ++counts.gdi;

  // USER handles are (index * 2 + 0x20); a zero upper word matches any
  // generation of the object at that index.
  using IconSize = BOOL(WINAPI*)(HICON, UINT, LONG*, LONG*);
  auto iconSize = reinterpret_cast<IconSize>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("win32u.dll"), "NtUserGetIconSize")));
  for (UINT i = 0; i < 0x7FE0; ++i) {
    HANDLE h = ULongToHandle((i << 1) + 0x20);
    LONG w = 0, hh = 0;
    if (iconSize && iconSize(static_cast<HICON>(h), 0, &w, &hh)) ++counts.user;
    if (IsMenu(static_cast<HMENU>(h))) ++counts.user;
  }
  EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&counts.user));
  return counts;
}

std::vector<COLORREF> DrawnOn(int width, int height, COLORREF back, const std::function<void(HDC)>& draw) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH brush = CreateSolidBrush(back);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  draw(dc);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

std::vector<COLORREF> DrawnImageListEntry(HIMAGELIST list, int index, int size, COLORREF back) {
  return DrawnOn(size, size, back, [&](HDC dc) { ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL); });
}

}  // namespace wine_test
