// The launcher's Windows-1252 texts on a system whose ANSI code page is
// another one (CTest runs this program with a Russian locale, code page
// 1251): what reaches the screen reads back as the German text, typed
// letters arrive as typed, and file names keep the system's code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ui/controls.h"
#include "ui/drawing.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/standard_dialogs.h"
#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

constexpr char kTitle[] = "Programm(e) hinzufügen / ändern";
constexpr wchar_t kTitleWide[] = L"Programm(e) hinzufügen / ändern";

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

struct Requester {
  std::wstring title, text, filter;
};

// Reads the first standard dialog the GUI thread shows and answers it: a
// file name when one is given, OK for a message box.
Requester Answer(DWORD thread, const std::wstring& fileName) {
  Requester seen;
  HWND dialog = wine_test::WaitForDialog(thread, nullptr);
  if (!dialog) return seen;
  seen.title = TextOf(dialog);
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM param) CALLBACK -> BOOL {
        wchar_t cls[16] = {};
        GetClassNameW(child, cls, 16);
        auto* out = reinterpret_cast<Requester*>(param);
        if (lstrcmpiW(cls, L"Static") == 0 && out->text.empty()) out->text = TextOf(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  if (HWND filter = wine_test::FindControl(dialog, 0x470, "ComboBox")) seen.filter = TextOf(filter);
  if (!fileName.empty()) {
    SendMessageW(wine_test::FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName.c_str()));
  }
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  return seen;
}

std::vector<uint32_t> Pixels(int image) {
  HBITMAP bitmap = static_cast<HBITMAP>(ui::ImageHandle(image));
  BITMAP bm{};
  GetObjectW(bitmap, sizeof bm, &bm);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(bm.bmHeight), pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return pixels;
}

class CodePage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    wine_test::StartServices();
    ui::DrawingStartup();
  }
  static void TearDownTestSuite() {
    ui::DrawingShutdown();
    wine_test::StopServices();
  }
  void SetUp() override { ASSERT_EQ(GetACP(), 1251u) << "run with LC_ALL=ru_RU.UTF-8"; }
  void TearDown() override {
    ui::CloseProgramWindow(62);
    wine_test::Drain(50);
  }
};

TEST_F(CodePage, TitlesMenuItemsAndTypedLettersKeepTheirUmlauts) {
  ASSERT_NE(ui::CreateProgramWindow(62, 50, 50, 400, 160, kTitle, ui::kTitleBar | ui::kCloseBox, nullptr), 0);
  EXPECT_EQ(TextOf(ui::WindowHandle(62)), kTitleWide);

  HMENU menu = ui::NewPopupMenu(57);
  ui::OpenTopSubmenu("Ausrichtung Über");
  ui::AddMenuItem(1, "Oben rechts");
  ui::CloseSubmenu();
  ui::AddMenuItem(2, "Über...");
  wchar_t item[64] = {};
  GetMenuStringW(menu, 0, item, 64, MF_BYPOSITION);
  EXPECT_STREQ(item, L"Ausrichtung Über");
  GetMenuStringW(menu, 1, item, 64, MF_BYPOSITION);
  EXPECT_STREQ(item, L"Über...");

  ui::UseControlParent(ui::WindowHandle(62));
  ASSERT_NE(ui::CreateEditField(79, 10, 10, 200, 20, "", 0), 0);
  ui::FocusControl(79);
  wine_test::PostChars(ui::ControlHandle(79), std::wstring(L"Grüße äöü"));
  wine_test::Drain(150);
  EXPECT_EQ(ui::GetControlText(79), "Grüße äöü");
}

TEST_F(CodePage, MessageBoxAndFileRequesterShowTheGermanTextsAndGiveSystemFileNames) {
  const DWORD gui = GetCurrentThreadId();
  Requester box;
  std::thread answer([&] { box = Answer(gui, L""); });
  ui::ShowMessage("Geschützter Bereich", "Es sind noch nicht alle Angaben gemacht! äöüß", MB_ICONINFORMATION);
  answer.join();
  EXPECT_EQ(box.title, L"Geschützter Bereich");
  EXPECT_EQ(box.text, L"Es sind noch nicht alle Angaben gemacht! äöüß");

  // A name only the system's code page can spell (the file need not exist;
  // Wine here cannot store such a name on the Unix side anyway).
  const std::wstring folder = L"Z:\\tmp\\trovanto-code-page-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring file = folder + L"\\Программа.exe";
  Requester requester;
  std::thread choose([&] { requester = Answer(gui, file); });
  const std::string chosen = ui::ChooseFileToOpen(kTitle, (ui::NarrowToSystem(folder.c_str()) + "\\").c_str(),
                                                  "Programme für äöü (*.exe)|*.exe", 0);
  choose.join();
  EXPECT_EQ(requester.title, kTitleWide);
  EXPECT_EQ(requester.filter, L"Programme für äöü (*.exe)");
  EXPECT_EQ(chosen, ui::NarrowToSystem(file.c_str()));
  RemoveDirectoryW(folder.c_str());
}

TEST_F(CodePage, DrawnTextIsTheGermanText) {
  const char text[] = "Geschützter Bereich - Über... ß";
  const wchar_t wide[] = L"Geschützter Bereich - Über... ß";
  HFONT font = ui::MakeFont(14, "Arial", 9, 0);
  ASSERT_NE(font, nullptr);
  for (int image : {40, 41}) {
    ASSERT_NE(ui::NewImage(image, 220, 20), 0);
    HDC dc = ui::BeginDrawing(ui::ImageDrawTarget(image));
    ASSERT_NE(dc, nullptr);
    ui::SetDrawFont(font);
    ui::DrawBox(0, 0, 220, 20, 0xFFFFFF);
    if (image == 40) {
      EXPECT_GT(ui::DrawTextAt(2, 2, text, -1), 2);
      SIZE size{};
      GetTextExtentPoint32W(dc, wide, static_cast<int>(wcslen(wide)), &size);
      EXPECT_EQ(ui::TextPixelWidth(text), size.cx);
    } else {
      // The same drawing state, the letters given in UTF-16 directly.
      MoveToEx(dc, 2, 2, nullptr);
      TextOutW(dc, 0, 0, wide, static_cast<int>(wcslen(wide)));
    }
    ui::EndDrawing();
  }
  EXPECT_EQ(Pixels(40), Pixels(41));
}

}  // namespace
