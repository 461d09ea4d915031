// Helpers the Windows test programs share: service start-up, the main window
// the dialogs hang on, event pumps, and driving windows as a user would.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace wine_test {

#ifdef TROVANTO_TEST_DATA
// Under Wine the Linux root is drive Z:. Inline, because only the test
// programs know where their data lies.
inline std::string RepoPath(const std::string& relative) {
  return std::string("Z:") + TROVANTO_TEST_DATA + "/../../" + relative;
}
#endif

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
std::string Lower(std::string s);

// Hostile and ordinary pictures, made on the spot. A PNG stream of one
// colour (0xAARRGGBB) in 8-bit RGBA, compressed row by row so that a huge
// picture costs little to make; `paddingBytes` of an ancillary chunk the
// decoder skips go before the pixel data.
std::string SolidPng(uint32_t width, uint32_t height, uint32_t colour, size_t paddingBytes = 0);
// An icon file of the given images (complete PNG streams or 32-bit
// bitmaps with their masks), each described in the directory by `side`
// (256 is stored as 0). BitmapIconImage makes one such bitmap of one colour.
struct IconFileImage {
  int side;
  std::string bytes;
};
std::string IconFile(const std::vector<IconFileImage>& images);
std::string BitmapIconImage(int side, uint32_t colour);
std::string To1252(const wchar_t* text);

// Windows, controls and images; StopServices also drops every font.
void StartServices();
void StopServices();
// The fonts the launcher's dialogs are laid out with.
void MakeDialogFonts();
// Fatal on the first picture that does not load; wrap in ASSERT_NO_FATAL_FAILURE.
void LoadIcons(const std::string& folder, const std::vector<int>& numbers);
void LoadIcons(const std::string& folder, int first, int last);

// The launcher's main window (60) as the parent of new controls. Fatal if it
// cannot be made; wrap in ASSERT_NO_FATAL_FAILURE.
void CreateMainWindow(int x, int y);
// The program list (89) of the main window.
intptr_t CreateMainList(int x, int y, int w, int h);

// The part of the main loop a test plays: what it does with one event.
using Forwarder = void (*)(int event);
bool PumpUntil(Forwarder forward, const std::function<bool()>& done, DWORD timeoutMs = 3000);
void PumpFor(Forwarder forward, DWORD ms);

struct Event {
  int code, source, type, window;
};
// Collects events until the queue has been quiet for quietMs.
std::vector<Event> Drain(int quietMs);

// The texts of a list view's items, in order.
std::vector<std::string> ListViewItems(HWND list);

// A window's caption or a control's text as the launcher keeps it.
std::string WindowText(HWND window);

// A visible "#32770" dialog of the thread; title nullptr matches any.
HWND FindDialog(DWORD thread, const char* title);
HWND WaitForDialog(DWORD thread, const char* title, DWORD timeoutMs = 10000);
// Waits for a message box of the thread, presses its OK and gives its text
// ("" when none came). `title` receives its title when given.
std::string AnswerMessageBox(DWORD thread, DWORD timeoutMs = 5000, std::string* title = nullptr);
// The text of a message box (its static text, not the caption).
std::string MessageText(HWND box);

// Answers the message boxes titled `title` that the thread shows, from a
// thread of its own while it lives: the n-th box with buttons[n] (IDYES,
// IDNO, IDOK ...), the last one for every later box. Stop gives the texts of
// the boxes answered.
class MessageAnswerer {
 public:
  MessageAnswerer(DWORD thread, std::string title, std::vector<int> buttons);
  ~MessageAnswerer() { Stop(); }
  MessageAnswerer(const MessageAnswerer&) = delete;
  MessageAnswerer& operator=(const MessageAnswerer&) = delete;
  std::vector<std::string> Stop();

 private:
  void Run();
  DWORD thread_;
  std::string title_;
  std::vector<int> buttons_;
  std::vector<std::string> texts_;
  std::atomic<bool> stop_{false};
  std::thread worker_;
};

// Controls may sit below a combo box or another container, so every
// descendant is searched.
HWND FindControl(HWND dialog, int id, const char* cls);
// The file name field of a file requester, in either template.
HWND FileNameEdit(HWND dialog);
// A TrueType face the font requester lists on this machine, with all styles.
std::string ScalableFace();

// GDI and USER objects this process holds. Where GetGuiResources is a stub
// (Wine), the live entries of the process's GDI handle table and its icons,
// cursors, menus and windows are counted instead.
struct GuiObjects {
  long gdi = 0;
  long user = 0;
};
GuiObjects CountGuiObjects();

// Mouse buttons go where the cursor is.
void PressMouse(DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP);
void ClickAt(POINT p, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP);
// The middle of the window on the screen.
POINT CentreOf(HWND window);

// The pixels of a width x height square of the colour back after draw(dc)
// painted on it, row by row.
std::vector<COLORREF> DrawnOn(int width, int height, COLORREF back, const std::function<void(HDC)>& draw);

// The pixels of an image list's entry drawn at the corner of a size x size
// square of the colour back, row by row.
std::vector<COLORREF> DrawnImageListEntry(HIMAGELIST list, int index, int size, COLORREF back);

// Characters as the keyboard delivers them to a focused field.
void PostChars(HWND field, const char* text);
// Unicode, so the Windows-1252 letters arrive whatever the code page of the process.
void PostChars(HWND field, const std::wstring& text);

}  // namespace wine_test
