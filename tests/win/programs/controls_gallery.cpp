// Opens one window with a control of each kind, pumps events for a moment and
// exits: a picture of it shows what the controls look like.
#include <windows.h>

#include "ui/controls.h"
#include "ui/events.h"
#include "ui/ui.h"

namespace {

HBITMAP MakeBanner(int w, int h) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  for (int x = 0; x < w; ++x) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(40, 80 + x * 150 / w, 200));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, x, 0, nullptr);
    LineTo(dc, x, h);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT rc{0, 0, w, h};
  DrawTextW(dc, L"Trovanto", -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  DeleteDC(dc);
  return bitmap;
}

// A 16 x 16 icon: a coloured disc on a transparent ground.
HICON MakeIcon(COLORREF colour) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colourBits = CreateCompatibleBitmap(screen, 16, 16);
  ReleaseDC(nullptr, screen);
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(dc, mask);
  PatBlt(dc, 0, 0, 16, 16, WHITENESS);
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  SelectObject(dc, GetStockObject(BLACK_PEN));
  Ellipse(dc, 1, 1, 15, 15);
  SelectObject(dc, colourBits);
  PatBlt(dc, 0, 0, 16, 16, BLACKNESS);
  HBRUSH brush = CreateSolidBrush(colour);
  SelectObject(dc, brush);
  Ellipse(dc, 1, 1, 15, 15);
  SelectObject(dc, old);
  DeleteObject(brush);
  DeleteDC(dc);
  ICONINFO info{TRUE, 0, 0, mask, colourBits};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colourBits);
  return icon;
}

}  // namespace

int main() {
  ui::WindowsStartup();
  ui::ControlsStartup();
  HWND window = reinterpret_cast<HWND>(
      ui::CreateProgramWindow(1, 40, 40, 520, 360, "Controls", ui::kTitleBar | ui::kCloseBox, nullptr));
  ui::UseControlParent(window);

  HICON green = MakeIcon(RGB(0, 170, 0));
  HICON red = MakeIcon(RGB(200, 0, 0));
  HICON blue = MakeIcon(RGB(0, 90, 220));
  HBITMAP banner = MakeBanner(200, 40);

  ui::CreateImageControl(10, 8, 8, 10, 10, banner, 0);
  ui::CreateImageControl(11, 216, 8, 10, 10, blue, ui::kTextSunken);

  ui::CreateContainer(12, 8, 56, 51, 120, ui::kContainerBorder);
  ui::SetControlColour(12, ui::kBackColour, 0xFFFFFF);
  ui::CreateImageButton(13, 6, 6, 38, 32, green);
  ui::CreateImageButton(14, 6, 42, 38, 32, red);
  ui::CreateImageButton(15, 6, 78, 38, 32, blue);
  ui::EndContainer();
  ui::DisableControl(15, 1);
  ui::SetControlToolTip(13, "Hinzufügen");

  ui::CreateIconList(16, 68, 56, 150, 120, "Programme", 140, ui::kListShowSelectionAlways);
  ui::SetControlColour(16, ui::kBackColour, 0xFFFFFF);
  ui::SetControlColour(16, ui::kFrontColour, 0x800000);
  ui::AddControlItem(16, -1, "Editor", green);
  ui::AddControlItem(16, -1, "Browser", blue);
  ui::AddControlItem(16, -1, "Spiel", red);
  ui::AddControlItem(16, -1, "Ohne Bild");
  ui::SetIconListView(16, ui::kSmallIcons);
  ui::SetControlState(16, 1);

  ui::CreateTextControl(17, 228, 56, 130, 18, "Text links", 0);
  ui::CreateTextControl(18, 228, 78, 130, 18, "Zentriert, versenkt", ui::kTextCentred | ui::kTextSunken);
  ui::SetControlColour(18, ui::kFrontColour, 0x0000C0);
  ui::CreateLinkLabel(19, 228, 100, 130, 18, "www.beispiel.de", 0x0000FF, ui::kLinkUnderlined);
  ui::SetControlColour(19, ui::kFrontColour, 0xC00000);

  ui::CreateEditField(20, 228, 122, 130, 20, "Eingabe", 0);
  ui::CreateEditField(21, 228, 146, 130, 20, "geheim", ui::kEditPassword);
  ui::CreateEditField(22, 228, 170, 60, 20, "1234", ui::kEditDigitsOnly);
  ui::SetControlColour(22, ui::kBackColour, 0xE0FFFF);
  ui::CreateEditField(23, 292, 170, 66, 20, "nur lesen", ui::kEditReadOnly);

  ui::CreateFrame(-1, 368, 8, 144, 96, "Ausrichtung", ui::kFrameGroupBox);
  ui::CreateOptionButton(24, 378, 26, 120, 18, "Links");
  ui::CreateOptionButton(25, 378, 46, 120, 18, "Zentriert");
  ui::CreateOptionButton(26, 378, 66, 120, 18, "Rechts");
  ui::SetControlState(25, 1);
  ui::CreateCheckBox(27, 378, 112, 130, 18, "Verzeichnis löschen", 0);
  ui::SetControlState(27, 1);
  ui::CreateComboBox(28, 378, 136, 134, 21, 0);
  ui::AddControlItem(28, -1, "Standard");
  ui::AddControlItem(28, -1, "Blau");
  ui::SetControlState(28, 0);
  ui::CreateComboBox(29, 378, 164, 134, 21, ui::kComboEditable);
  ui::SetControlText(29, "editierbar");

  ui::CreateTextList(30, 8, 186, 210, 100, 0);
  ui::SetControlColour(30, ui::kBackColour, 0x000000);
  ui::SetControlColour(30, ui::kFrontColour, 0xFFFFFF);
  ui::AddControlItem(30, -1, "Markieren Sie die Programme");
  ui::AddControlItem(30, -1, "die Sie entfernen wollen! Eine lange Zeile, die breiter ist als die Liste");

  ui::CreateFrame(-1, 228, 200, 80, 60, nullptr, ui::kFrameSunken);
  ui::CreateFrame(-1, 316, 200, 80, 60, nullptr, ui::kFrameStaticEdge);
  ui::CreateFrame(-1, 404, 200, 80, 60, nullptr, ui::kFrameFlat);
  ui::CreateTextControl(31, 236, 222, 64, 16, "im Rahmen", 0);

  ui::CreateContainer(32, 228, 272, 284, 80, ui::kContainerClientEdge);
  ui::SetControlColour(32, ui::kBackColour, 0xD0F0D0);
  ui::CreateTextControl(33, 8, 8, 200, 18, "Text im farbigen Behälter", 0);
  ui::CreateCheckBox(34, 8, 30, 200, 18, "Kästchen im Behälter", 0);
  ui::EndContainer();

  DWORD until = GetTickCount() + 1500;
  while (static_cast<int>(until - GetTickCount()) > 0) ui::WaitForEvent(50);

  ui::WindowsShutdown();
  ui::ControlsShutdown();
  DestroyIcon(green);
  DestroyIcon(red);
  DestroyIcon(blue);
  DeleteObject(banner);
  return 0;
}
