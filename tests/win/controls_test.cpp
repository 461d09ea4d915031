// Controls in a real program window, driven by real messages and input.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ui/controls.h"
#include "ui/controls/brush_cache.h"
#include "ui/events.h"
#include "ui/object_table.h"
#include "ui/timer.h"
#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

using Ev = wine_test::Event;

std::vector<Ev> Drain(int quietMs = 250) { return wine_test::Drain(quietMs); }

// The event types a control reported, in order.
std::vector<int> TypesOf(const std::vector<Ev>& evs, int source) {
  std::vector<int> types;
  for (const auto& e : evs)
    if (e.code == ui::kControlEvent && e.source == source) types.push_back(e.type);
  return types;
}

int IndexOf(const std::vector<Ev>& evs, int code, int source = -1, int type = -1) {
  for (size_t i = 0; i < evs.size(); ++i)
    if (evs[i].code == code && (source == -1 || evs[i].source == source) && (type == -1 || evs[i].type == type))
      return static_cast<int>(i);
  return -1;
}

POINT ScreenPoint(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

POINT CentreOf(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return ScreenPoint(hwnd, rc.right / 2, rc.bottom / 2);
}

void MoveTo(POINT p) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = p.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = p.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

void Buttons(std::initializer_list<DWORD> flags) {
  std::vector<INPUT> in;
  for (DWORD f : flags) {
    INPUT i{};
    i.type = INPUT_MOUSE;
    i.mi.dwFlags = f;
    in.push_back(i);
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

void Click(POINT p) {
  MoveTo(p);
  Buttons({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
}

void Type(const char* keys) {
  for (const char* k = keys; *k; ++k) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = static_cast<WORD>(LOBYTE(VkKeyScanA(*k)));
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
  }
}

HBITMAP MakeBitmap(int w, int h, COLORREF colour) {
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT rc{0, 0, w, h};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
  SelectObject(dc, old);
  DeleteDC(dc);
  return bitmap;
}

// A solid square icon of the colour.
HICON MakeIcon(int size, COLORREF colour) {
  HBITMAP colourBits = MakeBitmap(size, size, colour);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mask);
  PatBlt(dc, 0, 0, size, size, BLACKNESS);
  SelectObject(dc, old);
  DeleteDC(dc);
  ICONINFO info{TRUE, 0, 0, mask, colourBits};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colourBits);
  return icon;
}

SIZE WindowSize(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return {rc.right - rc.left, rc.bottom - rc.top};
}

HWND ToolTipOfThisThread() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {
        char name[64];
        GetClassNameA(hwnd, name, sizeof name);
        if (lstrcmpiA(name, TOOLTIPS_CLASSA) != 0) return TRUE;
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

class Controls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::WindowsStartup();
    ui::ControlsStartup();
    ui::TimerStartup();
  }
  static void TearDownTestSuite() {
    ui::TimerShutdown();
    ui::WindowsShutdown();
    ui::ControlsShutdown();
  }
  void SetUp() override {
    window_ = reinterpret_cast<HWND>(
        ui::CreateProgramWindow(1, 60, 60, 400, 300, "Controls", ui::kTitleBar | ui::kCloseBox, nullptr));
    ASSERT_NE(window_, nullptr);
    ui::UseControlParent(window_);
    SetForegroundWindow(window_);
    Drain(100);
  }
  void TearDown() override {
    ui::CloseProgramWindow(1);
    Drain(50);
    ui::ResetEvents();
  }
  HWND window_ = nullptr;
};

TEST_F(Controls, NumbersThatNameNoControlDoNothing) {
  ui::CreateTextControl(3, 0, 0, 50, 20, "drei", 0);
  struct Op {
    const char* name;
    intptr_t (*call)(int);
  };
  const Op ops[] = {
      {"SetControlText", [](int n) -> intptr_t { return ui::SetControlText(n, "x"); }},
      {"GetControlState", [](int n) -> intptr_t { return ui::GetControlState(n); }},
      {"SetControlState", [](int n) -> intptr_t { return ui::SetControlState(n, 1); }},
      {"AddControlItem", [](int n) -> intptr_t { return ui::AddControlItem(n, -1, "x"); }},
      {"RemoveControlItem", [](int n) -> intptr_t { return ui::RemoveControlItem(n, 0); }},
      {"ClearControlItems", [](int n) -> intptr_t { return ui::ClearControlItems(n); }},
      {"CountControlItems", [](int n) -> intptr_t { return ui::CountControlItems(n); }},
      {"GetControlItemState", [](int n) -> intptr_t { return ui::GetControlItemState(n, 0); }},
      {"SetControlItemState", [](int n) -> intptr_t { return ui::SetControlItemState(n, 0, 1); }},
      {"SetControlColour", [](int n) -> intptr_t { return ui::SetControlColour(n, 2, 0xFF); }},
      {"SetControlToolTip", [](int n) -> intptr_t { return ui::SetControlToolTip(n, "x"); }},
      {"DisableControl", [](int n) -> intptr_t { return ui::DisableControl(n, 1); }},
      {"FocusControl", [](int n) -> intptr_t { return ui::FocusControl(n); }},
      {"SetControlFont", [](int n) -> intptr_t {
         return ui::SetControlFont(n, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
       }},
      {"ControlHandle", [](int n) -> intptr_t { return reinterpret_cast<intptr_t>(ui::ControlHandle(n)); }},
      {"ControlExists", [](int n) -> intptr_t { return ui::ControlExists(n); }},
      {"SetIconListView", [](int n) -> intptr_t { return ui::SetIconListView(n, 1); }},
  };
  // Never used, beyond the table, negative, an identity never handed out.
  for (int number : {7, 5000, -5, ui::kFirstFreeIdentity + 999}) {
    for (const Op& op : ops) EXPECT_EQ(op.call(number), 0) << op.name << " on " << number;
    EXPECT_EQ(ui::GetControlText(number), "") << number;
  }
  EXPECT_EQ(ui::GetControlText(3), "drei");
}

TEST_F(Controls, CreationResultsAndLifetime) {
  intptr_t handle = ui::CreateTextControl(4, 0, 0, 50, 20, "a", 0);
  EXPECT_EQ(reinterpret_cast<HWND>(handle), ui::ControlHandle(4));
  EXPECT_EQ(GetDlgCtrlID(ui::ControlHandle(4)), 4);

  intptr_t identity = ui::CreateTextControl(-1, 0, 30, 50, 20, "b", 0);
  EXPECT_GE(identity, ui::kFirstFreeIdentity);
  EXPECT_EQ(ui::GetControlText(static_cast<int>(identity)), "b");

  // Reusing a number replaces the old control.
  HWND old = ui::ControlHandle(4);
  ui::CreateEditField(4, 0, 60, 50, 20, "neu", 0);
  EXPECT_FALSE(IsWindow(old));
  EXPECT_EQ(ui::GetControlText(4), "neu");

  // Destroying the platform control frees its number.
  DestroyWindow(ui::ControlHandle(4));
  EXPECT_EQ(ui::ControlExists(4), 0);

  // Without a parent nothing is made and the number stays empty.
  ui::UseControlParent(nullptr);
  EXPECT_EQ(ui::CreateTextControl(6, 0, 0, 10, 10, "x", 0), 0);
  EXPECT_EQ(ui::ControlExists(6), 0);
  ui::UseControlParent(window_);

  // Closing the window frees every control in it.
  ui::CreateContainer(8, 100, 0, 100, 100, 0);
  ui::CreateCheckBox(9, 0, 0, 80, 20, "inside", 0);
  ui::EndContainer();
  ui::CloseProgramWindow(1);
  for (int n : {8, 9, static_cast<int>(identity)}) EXPECT_EQ(ui::ControlExists(n), 0) << n;
}

TEST_F(Controls, OptionGroups) {
  ui::CreateOptionButton(10, 0, 0, 80, 18, "a");
  ui::CreateOptionButton(11, 0, 20, 80, 18, "b");
  ui::CreateOptionButton(12, 0, 40, 80, 18, "c");
  ui::CreateTextControl(13, 0, 60, 80, 18, "between", 0);
  ui::CreateOptionButton(14, 0, 80, 80, 18, "d");
  ui::CreateOptionButton(15, 0, 100, 80, 18, "e");
  ui::UseControlParent(window_);
  ui::CreateOptionButton(16, 100, 0, 80, 18, "f");

  auto states = [] {
    std::string s;
    for (int n = 10; n <= 16; ++n)
      if (n != 13) s += ui::GetControlState(n) ? '1' : '0';
    return s;
  };
  ui::SetControlState(10, 1);
  ui::SetControlState(14, 1);
  ui::SetControlState(16, 1);
  EXPECT_EQ(states(), "100101");
  ui::SetControlState(11, 1);  // a goes, d and f stay
  EXPECT_EQ(states(), "010101");
  ui::SetControlState(15, 1);  // d goes, b and f stay
  EXPECT_EQ(states(), "010011");
  ui::SetControlState(15, 0);
  EXPECT_EQ(states(), "010001");

  // A real click on an option follows the same groups.
  Click(CentreOf(ui::ControlHandle(12)));
  Drain();
  EXPECT_EQ(states(), "001001");
}

TEST_F(Controls, IconListStateAndItemStates) {
  ui::CreateIconList(20, 0, 0, 200, 150, "Name", 150, ui::kListCheckBoxes | ui::kListMultiSelect);
  ui::CreateIconList(21, 210, 0, 150, 150, "", 100, 0);
  for (int list : {20, 21}) {
    EXPECT_EQ(ui::GetControlState(list), -1) << list;
    for (const char* text : {"eins", "zwei", "drei"}) EXPECT_EQ(ui::AddControlItem(list, -1, text), 1);
    EXPECT_EQ(ui::CountControlItems(list), 3);
    EXPECT_EQ(ui::GetControlState(list), -1);
  }

  struct Case {
    int list, item, set, expected;
  };
  const Case cases[] = {
      {20, 1, 1, 1}, {20, 2, 2, 2}, {20, 0, 3, 3}, {20, 0, 0, 0},
      // Without check boxes the checked bit is not kept.
      {21, 1, 3, 1}, {21, 1, 2, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ui::SetControlItemState(c.list, c.item, c.set), 1);
    EXPECT_EQ(ui::GetControlItemState(c.list, c.item), c.expected)
        << "list " << c.list << " item " << c.item << " set " << c.set;
  }
  EXPECT_EQ(ui::GetControlItemState(20, 7), 0);
  EXPECT_EQ(ui::SetControlItemState(20, 7, 1), 0);

  ui::SetControlItemState(20, 0, 1);
  ui::SetControlItemState(20, 2, 3);
  EXPECT_EQ(ui::GetControlState(20), 0);
  ui::SetControlState(20, -1);
  EXPECT_EQ(ui::GetControlState(20), -1);
  for (int item = 0; item < 3; ++item) EXPECT_EQ(ui::GetControlItemState(20, item) & 1, 0) << item;
  EXPECT_EQ(ui::GetControlItemState(20, 2), 2);  // deselecting keeps the tick

  ui::SetControlState(21, 2);
  EXPECT_EQ(ui::GetControlState(21), 2);
  EXPECT_EQ(ui::SetControlState(21, 3), 0);

  EXPECT_EQ(ui::RemoveControlItem(21, 0), 1);
  EXPECT_EQ(ui::CountControlItems(21), 2);
  EXPECT_EQ(ui::GetControlState(21), 1);
}

TEST_F(Controls, IconListImagesAndColumns) {
  HICON icon = MakeIcon(32, RGB(0, 0, 255));
  HICON other = MakeIcon(16, RGB(0, 255, 0));
  HBITMAP bitmap = MakeBitmap(48, 20, RGB(255, 0, 0));
  ui::CreateIconList(22, 0, 0, 300, 200, "Name", 100, 0);
  HWND list = ui::ControlHandle(22);

  // The image lists come with the list, holding only the transparent entry:
  // when they arrive later, the platform may measure every item again.
  ASSERT_NE(ListView_GetImageList(list, LVSIL_SMALL), nullptr);
  EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(list, LVSIL_SMALL)), 1);
  ui::AddControlItem(22, -1, "no image");
  ui::AddControlItem(22, -1, "a", icon);
  ui::AddControlItem(22, -1, "b", icon);
  ui::AddControlItem(22, -1, "c", other);
  LVCOLUMNA second{};
  second.mask = LVCF_WIDTH;
  second.cx = 80;
  ListView_InsertColumn(list, 1, &second);
  ui::AddControlItem(22, 0, "d\nzweite Spalte\nohne Spalte", bitmap);
  HIMAGELIST small = ListView_GetImageList(list, LVSIL_SMALL);
  HIMAGELIST large = ListView_GetImageList(list, LVSIL_NORMAL);
  ASSERT_NE(small, nullptr);
  ASSERT_NE(large, nullptr);
  // The transparent entry plus three distinct images, in the image list the
  // view draws from; the other one catches up when the view changes.
  EXPECT_EQ(ImageList_GetImageCount(small), 4);
  EXPECT_EQ(ImageList_GetImageCount(large), 1);
  ui::SetIconListView(22, ui::kLargeIcons);
  EXPECT_EQ(ImageList_GetImageCount(large), 4);
  int w = 0, h = 0;
  ImageList_GetIconSize(small, &w, &h);
  EXPECT_EQ(w, GetSystemMetrics(SM_CXSMICON));
  ImageList_GetIconSize(large, &w, &h);
  EXPECT_EQ(w, GetSystemMetrics(SM_CXICON));

  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  for (int i : {2, 3}) {
    item.iItem = i;
    ListView_GetItem(list, &item);
    EXPECT_EQ(item.iImage, 1) << i;  // "a" and "b" share one entry
  }
  item.iItem = 1;
  ListView_GetItem(list, &item);
  EXPECT_EQ(item.iImage, 0);  // no image: the transparent entry

  char text[64] = {};
  ListView_GetItemText(list, 0, 0, text, sizeof text);
  EXPECT_STREQ(text, "d");
  ListView_GetItemText(list, 0, 1, text, sizeof text);
  EXPECT_STREQ(text, "zweite Spalte");

  ui::ClearControlItems(22);
  EXPECT_EQ(ui::CountControlItems(22), 0);
  EXPECT_EQ(ImageList_GetImageCount(small), 1);
  EXPECT_EQ(ImageList_GetImageCount(large), 1);
  ui::AddControlItem(22, -1, "again", icon);
  EXPECT_EQ(ImageList_GetImageCount(large), 2);
  ui::SetIconListView(22, ui::kReportView);
  EXPECT_EQ(ImageList_GetImageCount(small), 2);

  ui::CloseProgramWindow(1);
  DestroyIcon(icon);
  DestroyIcon(other);
  DeleteObject(bitmap);
}

// A 32 x 32 icon from a 32-bit colour bitmap: kind 0 with graded alpha and
// holes in the mask, kind 1 without alpha, kind 2 with pixels that invert
// what is behind them (mask set, colour not black).
HICON MakeDeepIcon(int kind) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof bi.bmiHeader, 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* raw = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &raw, nullptr, 0);
  auto* px = static_cast<uint32_t*>(raw);
  std::vector<unsigned char> maskBits(32 * 4, 0);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const bool hole = (x + y) % 5 == 0;
      if (hole) maskBits[static_cast<size_t>(y * 4 + x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
      const uint32_t rgb = (static_cast<uint32_t>(x * 8) << 16) | (static_cast<uint32_t>(y * 8) << 8) | 0x40;
      const uint32_t alpha = kind == 0 ? static_cast<uint32_t>(x * 8) : 0;
      px[y * 32 + x] = (hole && kind != 2) ? 0 : (alpha << 24) | rgb;
    }
  HBITMAP mask = CreateBitmap(32, 32, 1, 1, maskBits.data());
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colour);
  return icon;
}

// The large icon view takes icons of its size in by their bitmaps; what it
// draws must be what the platform's own icon path gives.
TEST_F(Controls, IconListDrawsIconsAsThePlatformAddsThem) {
  const std::vector<HICON> icons = {MakeDeepIcon(0), MakeDeepIcon(1), MakeDeepIcon(2), MakeIcon(32, RGB(0, 0, 255)),
                                    MakeIcon(16, RGB(0, 255, 0))};
  ui::CreateIconList(25, 0, 0, 300, 200, "", 100, ui::kListLargeIconView);
  HIMAGELIST reference = ImageList_Create(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                          ILC_COLOR32 | ILC_MASK, 8, 8);
  for (HICON icon : icons) {
    ui::AddControlItem(25, -1, "icon", icon);
    ImageList_AddIcon(reference, icon);
  }
  HIMAGELIST large = ListView_GetImageList(ui::ControlHandle(25), LVSIL_NORMAL);
  ASSERT_EQ(ImageList_GetImageCount(large), static_cast<int>(icons.size()) + 1);
  for (int i = 0; i < static_cast<int>(icons.size()); ++i)
    for (COLORREF back : {RGB(255, 255, 255), RGB(40, 90, 160)})
      EXPECT_EQ(wine_test::DrawnImageListEntry(large, i + 1, 32, back), wine_test::DrawnImageListEntry(reference, i, 32, back))
          << "icon " << i;
  ImageList_Destroy(reference);
  ui::CloseProgramWindow(1);
  for (HICON icon : icons) DestroyIcon(icon);
}

TEST_F(Controls, IconListReportsClicksSelectionAndDoubleClicks) {
  ui::CreateIconList(23, 10, 10, 200, 200, "Name", 180, 0);
  for (const char* text : {"eins", "zwei"}) ui::AddControlItem(23, -1, text);
  HWND list = ui::ControlHandle(23);
  RECT item;
  ListView_GetItemRect(list, 0, &item, LVIR_LABEL);
  POINT onItem = ScreenPoint(list, item.left + 10, (item.top + item.bottom) / 2);

  Click(onItem);
  auto evs = Drain();
  int down = IndexOf(evs, ui::kLeftButtonDown);
  int selected = IndexOf(evs, ui::kControlEvent, 23, ui::kItemChange);
  int click = IndexOf(evs, ui::kControlEvent, 23, ui::kLeftClick);
  EXPECT_GE(down, 0);
  EXPECT_GE(selected, 0);
  EXPECT_GT(click, down);  // each from its own wait
  EXPECT_EQ(ui::GetControlState(23), 0);

  Buttons({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
  evs = Drain();
  EXPECT_GE(IndexOf(evs, ui::kControlEvent, 23, ui::kLeftDoubleClick), 0);

  // A click that leaves nothing selected: the change comes before the click.
  Sleep(GetDoubleClickTime() + 50);
  Click(ScreenPoint(list, 100, 180));
  evs = Drain();
  auto types = TypesOf(evs, 23);
  ASSERT_EQ(types.size(), 2u);
  EXPECT_EQ(types[0], ui::kItemChange);
  EXPECT_EQ(types[1], ui::kLeftClick);
  EXPECT_EQ(ui::GetControlState(23), -1);

  // Nothing was selected before this one: no change reported.
  Sleep(GetDoubleClickTime() + 50);
  Click(ScreenPoint(list, 100, 180));
  EXPECT_EQ(TypesOf(Drain(), 23), std::vector<int>{ui::kLeftClick});

  Sleep(GetDoubleClickTime() + 50);
  MoveTo(onItem);
  Buttons({MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
  types = TypesOf(Drain(), 23);
  EXPECT_NE(std::find(types.begin(), types.end(), ui::kRightClick), types.end());
}

// Items that the list asks for: the list's own type-to-find still selects by
// prefix, ignoring case, and reports the selection like a click does.
const char* const kFindNames[] = {"Alpha", "beta", "Bravo", "Delta", "gamma"};
void ProvideFindName(void*, int index, std::string* text, HANDLE*) { *text = kFindNames[index]; }

TEST_F(Controls, IconListTypeToFindSelectsTheMatchingProvidedItem) {
  ui::CreateIconList(24, 10, 10, 200, 200, "Name", 180, 0);
  ui::SetIconListView(24, ui::kSmallIcons);
  ASSERT_EQ(ui::SetControlItemProvider(24, 5, ProvideFindName, nullptr), 1);
  HWND list = ui::ControlHandle(24);
  ASSERT_EQ(ui::CountControlItems(24), 5);

  struct Find {
    int start;
    const char* text;
    UINT flags;
    int expected;
  } const finds[] = {
      {-1, "BR", LVFI_STRING | LVFI_PARTIAL, 2}, {-1, "beta", LVFI_STRING, 1},
      {-1, "bet", LVFI_STRING, -1},              {3, "b", LVFI_STRING | LVFI_PARTIAL | LVFI_WRAP, 1},
      {-1, "x", LVFI_STRING | LVFI_PARTIAL, -1},
  };
  for (const Find& f : finds) {
    LVFINDINFOA info{};
    info.flags = f.flags;
    info.psz = f.text;
    EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(f.start), reinterpret_cast<LPARAM>(&info)),
              f.expected)
        << f.text << " from " << f.start;
  }

  ui::FocusControl(24);
  Drain();
  struct Typed {
    const char* keys;
    int selected;
  } const typed[] = {{"b", 1}, {"G", 4}, {"z", 4}, {"a", 0}, {"d", 3}};
  for (const Typed& t : typed) {
    // Past the list's typing pause, so each entry starts a search of its own.
    Sleep(1200);
    Type(t.keys);
    auto evs = Drain();
    EXPECT_EQ(ui::GetControlState(24), t.selected) << t.keys;
    if (t.keys[0] != 'z') {
      EXPECT_GE(IndexOf(evs, ui::kControlEvent, 24, ui::kItemChange), 0) << t.keys;
    }
  }
  // Letters typed without a pause extend the prefix.
  Sleep(1200);
  Type("br");
  Drain();
  EXPECT_EQ(ui::GetControlState(24), 2);
}

// A small-icon view spaces its items by its widest label, taken at its first
// draw with items. Provided items must come out as the texts they show would
// in a plain list: drawn while hidden or on screen, with check boxes, and with
// a selection made before the draw.
std::vector<std::string> gLabels;
void ProvideLabel(void*, int index, std::string* text, HANDLE*) { *text = gLabels[static_cast<size_t>(index)]; }

TEST_F(Controls, SmallIconListSpacesItemsByItsWidestLabel) {
  gLabels = {"Mail", "iiii", std::string(70, 'W'), "Notes", std::string(400, 'i'), "Zeta\nsecond column"};
  for (int i = 0; i < 40; ++i) gLabels.push_back("Program " + std::to_string(i));
  HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  struct Case {
    bool hidden, checkBoxes;
    int selected;
  } const cases[] = {{true, false, -1}, {false, false, -1}, {true, true, -1}, {false, true, 3}, {false, false, 0}};
  for (const Case& c : cases) {
    const uint32_t flags = ui::kListSmallIconView | (c.checkBoxes ? ui::kListCheckBoxes | ui::kListMultiSelect : 0);
    ui::CreateIconList(25, 10, 10, 300, 200, "", 160, flags);
    HWND list = ui::ControlHandle(25);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (c.hidden) ShowWindow(list, SW_HIDE);
    ASSERT_EQ(ui::SetControlItemProvider(25, static_cast<int>(gLabels.size()), ProvideLabel, nullptr), 1);
    if (c.selected >= 0) ui::SetControlState(25, c.selected);
    ShowWindow(list, SW_SHOW);
    UpdateWindow(list);

    HWND plain = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_SMALLICON | LVS_AUTOARRANGE,
                                 10, 10, 300, 200, window_, nullptr, nullptr, nullptr);
    SendMessageW(plain, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (c.checkBoxes) ListView_SetExtendedListViewStyleEx(plain, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    HIMAGELIST images = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), ILC_COLOR32, 1, 1);
    ListView_SetImageList(plain, images, LVSIL_SMALL);
    for (size_t i = 0; i < gLabels.size(); ++i) {
      // A list's display buffer holds 259 characters of a provided text.
      std::string first = gLabels[i].substr(0, std::min(gLabels[i].find('\n'), size_t{259}));
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = &first[0];
      ListView_InsertItem(plain, &item);
    }
    UpdateWindow(plain);

    EXPECT_EQ(ListView_GetItemSpacing(list, TRUE), ListView_GetItemSpacing(plain, TRUE))
        << "hidden " << c.hidden << ", check boxes " << c.checkBoxes;
    POINT ours{}, theirs{};
    ListView_GetItemPosition(list, 45, &ours);
    ListView_GetItemPosition(plain, 45, &theirs);
    EXPECT_EQ(ours.x, theirs.x);
    EXPECT_EQ(ours.y, theirs.y);
    EXPECT_EQ(ui::GetControlState(25), c.selected);
    DestroyWindow(plain);
    ImageList_Destroy(images);
  }
  DestroyWindow(ui::ControlHandle(25));
  DeleteObject(font);
}

TEST_F(Controls, ImageControlSizesItselfToItsImage) {
  HBITMAP banner = MakeBitmap(200, 40, RGB(0, 0, 128));
  HBITMAP strip = MakeBitmap(198, 24, RGB(0, 128, 0));
  HICON icon = MakeIcon(16, RGB(255, 0, 0));
  ui::CreateImageControl(30, 5, 5, 10, 10, banner, 0);
  ui::CreateImageControl(31, 5, 60, 10, 10, icon, ui::kTextSunken);
  HWND image = ui::ControlHandle(30);
  SIZE size = WindowSize(image);
  EXPECT_EQ(size.cx, 200);
  EXPECT_EQ(size.cy, 40);
  size = WindowSize(ui::ControlHandle(31));
  EXPECT_EQ(size.cx, 20);  // sunken border: 2 pixels on each side
  EXPECT_EQ(size.cy, 20);

  EXPECT_EQ(ui::SetControlState(30, reinterpret_cast<intptr_t>(strip)), 1);
  EXPECT_EQ(ui::GetControlState(30), reinterpret_cast<intptr_t>(strip));
  size = WindowSize(image);
  EXPECT_EQ(size.cx, 198);
  EXPECT_EQ(size.cy, 24);
  RECT rc;
  GetWindowRect(image, &rc);
  POINT origin{rc.left, rc.top};
  ScreenToClient(window_, &origin);
  EXPECT_EQ(origin.x, 5);
  EXPECT_EQ(origin.y, 5);

  // The picture is painted from the control's own copy: drawing into the
  // caller's bitmap later does not show until the image is set again.
  UpdateWindow(window_);
  RedrawWindow(image, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(image);
  EXPECT_EQ(GetPixel(dc, 100, 12), RGB(0, 128, 0));
  ReleaseDC(image, dc);

  ui::CloseProgramWindow(1);
  DeleteObject(banner);
  DeleteObject(strip);
  DestroyIcon(icon);
}

TEST_F(Controls, ImageControlReportsMouseUse) {
  HBITMAP banner = MakeBitmap(200, 40, RGB(0, 0, 128));
  ui::CreateImageControl(32, 20, 20, 10, 10, banner, 0);
  POINT centre = CentreOf(ui::ControlHandle(32));
  struct Case {
    const char* name;
    std::vector<DWORD> buttons;
    int moveBy;  // pixels moved after the first button
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"left click", {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}, 0, {ui::kLeftClick}},
      {"right click", {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP}, 0, {ui::kRightClick}},
      {"double click",
       {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
       0,
       {ui::kLeftClick, ui::kLeftDoubleClick}},
      {"right double click: no click after it",
       {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
       0,
       {ui::kRightClick, ui::kRightDoubleClick}},
      {"drag", {MOUSEEVENTF_LEFTDOWN}, 12, {ui::kLeftClick, ui::kDragStart}},
      {"small move is no drag", {MOUSEEVENTF_LEFTDOWN}, 1, {ui::kLeftClick}},
  };
  for (const Case& c : cases) {
    MoveTo(centre);
    Drain(100);
    Sleep(GetDoubleClickTime() + 50);  // no double click with the case before
    std::vector<INPUT> in;
    for (DWORD f : c.buttons) {
      INPUT i{};
      i.type = INPUT_MOUSE;
      i.mi.dwFlags = f;
      in.push_back(i);
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    std::vector<Ev> evs;
    if (c.moveBy) {
      evs = Drain(100);
      MoveTo({centre.x + c.moveBy, centre.y});
      for (const Ev& e : Drain(100)) evs.push_back(e);
      Buttons({MOUSEEVENTF_LEFTUP});
    }
    for (const Ev& e : Drain()) evs.push_back(e);
    EXPECT_EQ(TypesOf(evs, 32), c.expected) << c.name;
  }
  ui::CloseProgramWindow(1);
  DeleteObject(banner);
}

TEST_F(Controls, ImageFromAnotherThreadIsSetByTheGuiThreadWhileTheCallerWaits) {
  HBITMAP first = MakeBitmap(20, 10, RGB(1, 2, 3));
  HBITMAP second = MakeBitmap(60, 30, RGB(4, 5, 6));
  ui::CreateImageControl(33, 0, 0, 10, 10, first, 0);
  std::atomic<bool> done{false};
  std::atomic<int> result{-1};
  std::thread caller([&] {
    result = ui::SetControlState(33, reinterpret_cast<intptr_t>(second));
    done = true;
  });
  Sleep(300);  // the GUI thread does not pump: the caller must still wait
  EXPECT_FALSE(done.load());
  EXPECT_EQ(ui::GetControlState(33), reinterpret_cast<intptr_t>(first));
  DWORD until = GetTickCount() + 5000;
  while (!done && GetTickCount() < until) ui::WaitForEvent(20);
  caller.join();
  EXPECT_EQ(result.load(), 1);
  EXPECT_EQ(ui::GetControlState(33), reinterpret_cast<intptr_t>(second));
  SIZE size = WindowSize(ui::ControlHandle(33));
  EXPECT_EQ(size.cx, 60);
  EXPECT_EQ(size.cy, 30);

  // Other kinds are not reachable from another thread.
  ui::CreateCheckBox(34, 0, 50, 80, 20, "x", 0);
  std::thread([&] { result = ui::SetControlState(34, 1); }).join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(ui::GetControlState(34), 0);

  ui::CloseProgramWindow(1);
  DeleteObject(first);
  DeleteObject(second);
}

TEST_F(Controls, WaitingThreadGivesUpWhenTheTimerStops) {
  HBITMAP first = MakeBitmap(20, 10, RGB(1, 2, 3));
  HBITMAP second = MakeBitmap(60, 30, RGB(4, 5, 6));
  ui::CreateImageControl(35, 0, 0, 10, 10, first, 0);
  std::atomic<bool> done{false};
  std::atomic<int> result{-1};
  std::thread caller([&] {
    result = ui::SetControlState(35, reinterpret_cast<intptr_t>(second));
    done = true;
  });
  Sleep(150);
  EXPECT_FALSE(done.load());
  ui::TimerShutdown();  // shutdown begins while the GUI thread is busy
  for (int i = 0; i < 100 && !done; ++i) Sleep(10);
  EXPECT_TRUE(done.load());
  caller.join();
  EXPECT_EQ(result.load(), 0);
  ui::TimerStartup();
  ui::CloseProgramWindow(1);
  Drain(50);
  DeleteObject(first);
  DeleteObject(second);
}

TEST_F(Controls, EditFieldsTakeTypedTextByTheirFlags) {
  struct Case {
    uint32_t flags;
    const char* typed;
    const char* expected;
  };
  const Case cases[] = {
      {0, "a1b2", "a1b2"},
      {ui::kEditDigitsOnly, "a1b2", "12"},
      {ui::kEditReadOnly, "a1b2", ""},
  };
  int number = 40;
  for (const Case& c : cases) {
    ui::CreateEditField(number, 10, 10 + (number - 40) * 30, 120, 22, "", c.flags);
    ui::FocusControl(number);
    Drain(50);
    Type(c.typed);
    auto evs = Drain();
    EXPECT_EQ(ui::GetControlText(number), c.expected) << "flags " << c.flags;
    if (*c.expected) {
      EXPECT_GE(IndexOf(evs, ui::kControlEvent, number, ui::kItemChange), 0) << c.flags;
    }
    ++number;
  }
}

TEST_F(Controls, FocusChangesOfEditFieldsAreReportedInOrder) {
  ui::CreateEditField(45, 10, 10, 120, 22, "eins", 0);
  ui::CreateEditField(46, 10, 40, 120, 22, "zwei", 0);
  // The program's own focus moves are no events, not even disabling the
  // focused field.
  ui::FocusControl(45);
  EXPECT_EQ(TypesOf(Drain(), 45), std::vector<int>{});
  ui::DisableControl(45, 1);
  ui::DisableControl(45, 0);
  ui::FocusControl(45);
  EXPECT_EQ(TypesOf(Drain(), 45), std::vector<int>{});

  // A click moves the focus: the click itself is still seen.
  Click(CentreOf(ui::ControlHandle(46)));
  auto evs = Drain();
  int lost = IndexOf(evs, ui::kControlEvent, 45, ui::kFocusLost);
  int gained = IndexOf(evs, ui::kControlEvent, 46, ui::kFocusGained);
  EXPECT_GE(lost, 0);
  EXPECT_GT(gained, lost);
  EXPECT_GE(IndexOf(evs, ui::kLeftButtonDown), 0);
  EXPECT_EQ(ui::FocusedControl(), 46);
}

TEST_F(Controls, FocusedControlNamesTheComboForItsEditPart) {
  ui::CreateComboBox(47, 10, 10, 150, 120, ui::kComboEditable);
  ui::CreateComboBox(48, 10, 40, 150, 120, 0);
  ui::CreateCheckBox(49, 10, 70, 150, 20, "x", 0);
  HWND combo = ui::ControlHandle(47);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  ASSERT_NE(info.hwndItem, combo);
  SetFocus(info.hwndItem);
  EXPECT_EQ(GetFocus(), info.hwndItem);
  EXPECT_EQ(ui::FocusedControl(), 47);
  ui::FocusControl(48);
  EXPECT_EQ(ui::FocusedControl(), 48);
  ui::FocusControl(49);
  EXPECT_EQ(ui::FocusedControl(), 49);
  ui::FocusControl(-1);
  EXPECT_EQ(ui::FocusedControl(), -1);
}

TEST_F(Controls, TextListAndComboItems) {
  ui::CreateTextList(50, 10, 10, 100, 100, 0);
  ui::CreateComboBox(51, 120, 10, 100, 21, 0);
  for (int n : {50, 51}) {
    EXPECT_EQ(ui::GetControlState(n), -1) << n;
    EXPECT_EQ(ui::AddControlItem(n, -1, "b"), 1);
    EXPECT_EQ(ui::AddControlItem(n, -1, "c"), 1);
    EXPECT_EQ(ui::AddControlItem(n, 0, "a"), 1);
    EXPECT_EQ(ui::CountControlItems(n), 3) << n;
    EXPECT_EQ(ui::SetControlState(n, 2), 1);
    EXPECT_EQ(ui::GetControlState(n), 2) << n;
    EXPECT_EQ(ui::RemoveControlItem(n, 0), 1);
    EXPECT_EQ(ui::RemoveControlItem(n, 9), 0);
    EXPECT_EQ(ui::CountControlItems(n), 2) << n;
    EXPECT_EQ(ui::ClearControlItems(n), 1);
    EXPECT_EQ(ui::CountControlItems(n), 0) << n;
    EXPECT_EQ(ui::GetControlState(n), -1) << n;
  }
  ui::AddControlItem(51, -1, "Blau");
  ui::SetControlState(51, 0);
  EXPECT_EQ(ui::GetControlText(51), "Blau");

  // The text list declares the widest line's width, whatever came before it,
  // so that its horizontal scroll bar reaches every line.
  HWND list = ui::ControlHandle(50);
  const std::string wide = "Lösche Verzeichnis T:\\Programme\\Ein recht langer Ordnername";
  for (const char* line : {"Ok!", "Ok!", wide.c_str(), "Ok!", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"}) {
    ui::AddControlItem(50, -1, line);
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    wchar_t text[128] = {};
    const int length = MultiByteToWideChar(1252, 0, line, -1, text, 128) - 1;
    GetTextExtentPoint32W(dc, text, length, &size);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    EXPECT_GE(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), size.cx) << line;
  }
}

TEST_F(Controls, ColourQueriesAnswerWithSharedBrushes) {
  ui::CreateTextControl(60, 0, 0, 50, 20, "back", 0);
  ui::CreateTextControl(61, 0, 25, 50, 20, "front", 0);
  ui::CreateEditField(62, 0, 50, 50, 20, "front", 0);
  ui::CreateEditField(63, 0, 75, 50, 20, "back", ui::kEditReadOnly);
  ui::CreateTextList(64, 60, 0, 50, 50, 0);
  ui::CreateTextControl(65, 60, 60, 50, 20, "same", 0);
  ui::CreateContainer(66, 200, 0, 100, 100, 0);
  ui::SetControlColour(66, ui::kBackColour, 0xFFFFFF);
  ui::CreateTextControl(67, 0, 0, 50, 20, "plain", 0);
  ui::CreateTextControl(68, 0, 30, 50, 20, "front", 0);
  ui::EndContainer();

  ui::SetControlColour(60, ui::kBackColour, 0x123456);
  ui::SetControlColour(61, ui::kFrontColour, 0x0000FF);
  ui::SetControlColour(62, ui::kFrontColour, 0x0000FF);
  ui::SetControlColour(63, ui::kBackColour, 0x00FF00);
  ui::SetControlColour(64, ui::kBackColour, 0x000000);
  ui::SetControlColour(64, ui::kFrontColour, 0xFFFFFF);
  ui::SetControlColour(65, ui::kBackColour, 0x123456);
  ui::SetControlColour(68, ui::kFrontColour, 0x0000FF);
  EXPECT_EQ(ui::SetControlColour(66, ui::kFrontColour, 0), 0);  // containers have no text

  struct Case {
    int control;
    UINT message;
    COLORREF back;
    COLORREF text;  // CLR_INVALID: not checked
  };
  const Case cases[] = {
      {60, WM_CTLCOLORSTATIC, RGB(0x56, 0x34, 0x12), CLR_INVALID},
      {61, WM_CTLCOLORSTATIC, GetSysColor(COLOR_BTNFACE), RGB(255, 0, 0)},
      {62, WM_CTLCOLOREDIT, GetSysColor(COLOR_BTNHIGHLIGHT), RGB(255, 0, 0)},
      {63, WM_CTLCOLORSTATIC, RGB(0, 255, 0), CLR_INVALID},  // read-only asks as a static
      {64, WM_CTLCOLORLISTBOX, RGB(0, 0, 0), RGB(255, 255, 255)},
      {67, WM_CTLCOLORSTATIC, RGB(255, 255, 255), CLR_INVALID},
      {68, WM_CTLCOLORSTATIC, RGB(255, 255, 255), RGB(255, 0, 0)},
  };
  HDC dc = CreateCompatibleDC(nullptr);
  for (const Case& c : cases) {
    HWND control = ui::ControlHandle(c.control);
    SetBkColor(dc, RGB(1, 1, 1));
    SetTextColor(dc, RGB(1, 1, 1));
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(control), c.message,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(control)));
    LOGBRUSH lb{};
    ASSERT_TRUE(GetObjectA(brush, sizeof lb, &lb)) << c.control;
    EXPECT_EQ(lb.lbColor, c.back) << c.control;
    EXPECT_EQ(GetBkColor(dc), c.back) << c.control;
    if (c.text != CLR_INVALID) {
      EXPECT_EQ(GetTextColor(dc), c.text) << c.control;
    }
  }
  DeleteDC(dc);

  // 0x123456 twice, 0x00FF00, black, white: one brush per colour.
  EXPECT_EQ(ui::controls::LiveBrushCount(), 4);
  ui::SetControlColour(60, ui::kBackColour, -1);
  EXPECT_EQ(ui::controls::LiveBrushCount(), 4);  // 65 still uses 0x123456
  ui::SetControlColour(65, ui::kBackColour, 0x00FF00);
  EXPECT_EQ(ui::controls::LiveBrushCount(), 3);
  ui::CloseProgramWindow(1);
  EXPECT_EQ(ui::controls::LiveBrushCount(), 0);
}

TEST_F(Controls, ImageButtonPaintsItsImageAndReportsPresses) {
  HICON icon = MakeIcon(16, RGB(255, 0, 0));
  ui::CreateContainer(70, 10, 10, 60, 100, ui::kContainerBorder);
  ui::CreateImageButton(71, 6, 6, 38, 32, icon);
  ui::EndContainer();
  ui::CreateImageButton(72, 100, 10, 38, 32, icon);
  HWND inside = ui::ControlHandle(71);
  EXPECT_EQ(GetParent(inside), ui::ControlHandle(70));
  EXPECT_EQ(GetParent(ui::ControlHandle(72)), window_);

  auto centrePixel = [](HWND button) {
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(button);
    COLORREF c = GetPixel(dc, 19, 16);
    ReleaseDC(button, dc);
    return c;
  };
  Drain(100);
  EXPECT_EQ(centrePixel(inside), RGB(255, 0, 0));
  ui::DisableControl(71, 1);
  EXPECT_NE(centrePixel(inside), RGB(255, 0, 0));
  ui::DisableControl(71, 0);
  EXPECT_EQ(ui::GetControlState(71), reinterpret_cast<intptr_t>(icon));
  ui::SetControlState(71, 0);
  EXPECT_NE(centrePixel(inside), RGB(255, 0, 0));
  ui::SetControlState(71, reinterpret_cast<intptr_t>(icon));

  // A press inside a container reports the button; two fast presses are two.
  Drain(100);
  Sleep(GetDoubleClickTime() + 50);
  Click(CentreOf(inside));
  Buttons({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
  EXPECT_EQ(TypesOf(Drain(), 71), (std::vector<int>{ui::kLeftClick, ui::kLeftClick}));

  ui::CloseProgramWindow(1);
  DestroyIcon(icon);
}

// Showing any child makes the window repaint here, so only moves and resizes
// tell whether the container's own messages leak into the window's events.
TEST_F(Controls, ContainersDoNotReportWindowMoves) {
  Drain(200);
  ui::CreateContainer(73, 10, 10, 100, 100, ui::kContainerClientEdge);
  ui::CreateTextControl(74, 5, 5, 50, 20, "x", 0);
  ui::EndContainer();
  auto evs = Drain();
  for (int code : {ui::kWindowMoved, ui::kWindowResized}) EXPECT_EQ(IndexOf(evs, code), -1) << code;
  MoveWindow(ui::ControlHandle(73), 20, 20, 120, 120, TRUE);
  evs = Drain();
  for (int code : {ui::kWindowMoved, ui::kWindowResized}) EXPECT_EQ(IndexOf(evs, code), -1) << code;
}

TEST_F(Controls, LinkLabelHoversWithCaptureAndReportsItsClick) {
  ui::CreateLinkLabel(75, 20, 20, 120, 20, "www.beispiel.de", 0x0000FF, ui::kLinkUnderlined);
  HWND label = ui::ControlHandle(75);
  MoveTo(ScreenPoint(window_, 300, 250));
  Drain(100);
  MoveTo(CentreOf(label));
  Drain(100);
  EXPECT_EQ(GetCapture(), label);
  MoveTo(ScreenPoint(window_, 300, 250));
  Drain(100);
  EXPECT_NE(GetCapture(), label);

  Click(CentreOf(label));
  EXPECT_EQ(TypesOf(Drain(), 75), std::vector<int>{ui::kLeftClick});
}

TEST_F(Controls, OneToolTipWindowAndOneToolPerControl) {
  ui::CreateCheckBox(76, 0, 0, 80, 20, "a", 0);
  ui::CreateCheckBox(77, 0, 30, 80, 20, "b", 0);
  EXPECT_EQ(ui::SetControlToolTip(76, "erster"), 1);
  EXPECT_EQ(ui::SetControlToolTip(76, "zweiter"), 1);
  HWND tip = ToolTipOfThisThread();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  EXPECT_EQ(ui::SetControlToolTip(77, "dritter"), 1);
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 2);
  EXPECT_TRUE(GetWindowLongA(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);

  char text[64] = {};
  TTTOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.hwnd = window_;
  ti.uId = reinterpret_cast<UINT_PTR>(ui::ControlHandle(76));
  ti.lpszText = text;
  SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
  EXPECT_STREQ(text, "zweiter");

  // A destroyed control takes its tool with it.
  DestroyWindow(ui::ControlHandle(77));
  EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
}

}  // namespace
