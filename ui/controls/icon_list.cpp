// List view with icons. The list shares its image lists (it never frees
// them); the record owns them and frees them with the control.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <windowsx.h>

#include "ui/controls.h"
#include "ui/controls/control_list.h"
#include "ui/events.h"
#include "ui/images.h"

namespace ui {
namespace controls {
namespace {

HBITMAP MakeSection(int w, int h, uint32_t** bits) {
  void* raw = nullptr;
  HBITMAP section = TopDownSection32(w, h, &raw);
  *bits = static_cast<uint32_t*>(raw);
  return section;
}

// Index 0 of each list: items without an image show nothing.
void AddTransparentEntry(HIMAGELIST list) {
  int w = 0, h = 0;
  ImageList_GetIconSize(list, &w, &h);
  uint32_t* bits = nullptr;
  HBITMAP colour = MakeSection(w, h, &bits);
  if (!colour) return;
  std::memset(bits, 0, static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  // Monochrome rows are padded to 16 bits; all ones = all transparent.
  std::vector<unsigned char> maskBits(static_cast<size_t>((w + 15) / 16 * 2 * h), 0xFF);
  HBITMAP mask = CreateBitmap(w, h, 1, 1, maskBits.data());
  ImageList_Add(list, colour, mask);
  DeleteObject(colour);
  if (mask) DeleteObject(mask);
}

// Bitmaps carry no usable transparency: stretched and made fully opaque.
int AddBitmap(HIMAGELIST list, HBITMAP source) {
  int w = 0, h = 0;
  ImageList_GetIconSize(list, &w, &h);
  SIZE from = ImageSize(source);
  uint32_t* bits = nullptr;
  HBITMAP section = MakeSection(w, h, &bits);
  if (!section) return -1;
  HDC src = CreateCompatibleDC(nullptr);
  HDC dst = CreateCompatibleDC(nullptr);
  HGDIOBJ oldSrc = SelectObject(src, source);
  HGDIOBJ oldDst = SelectObject(dst, section);
  SetStretchBltMode(dst, HALFTONE);
  SetBrushOrgEx(dst, 0, 0, nullptr);
  if (oldSrc) StretchBlt(dst, 0, 0, w, h, src, 0, 0, from.cx, from.cy, SRCCOPY);
  if (oldSrc) SelectObject(src, oldSrc);
  SelectObject(dst, oldDst);
  DeleteDC(src);
  DeleteDC(dst);
  GdiFlush();
  for (int i = 0; i < w * h; ++i) bits[i] |= 0xFF000000u;
  int index = ImageList_Add(list, section, nullptr);
  DeleteObject(section);
  return index;
}

// Bitmaps copied out of icons ahead of time (see OfferIconBitmaps), each
// taken by the first list that adds its icon.
std::vector<std::pair<HICON, ICONINFO>> gOfferedBitmaps;

void DeleteIconBitmaps(const ICONINFO& info) {
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
}

bool TakeOfferedBitmaps(HICON icon, ICONINFO* info) {
  for (auto it = gOfferedBitmaps.begin(); it != gOfferedBitmaps.end(); ++it) {
    if (it->first != icon) continue;
    *info = it->second;
    gOfferedBitmaps.erase(it);
    return true;
  }
  return false;
}

// An icon already at the list's size goes in through its own two bitmaps,
// which is what the platform ends up adding too. Its icon path first makes a
// copy of the icon at the list's size (a new icon and two new bitmaps, each a
// trip to the window server under Wine) even when there is nothing to scale.
int AddIcon(HIMAGELIST list, HICON icon, int largeSide) {
  int w = 0, h = 0;
  ImageList_GetIconSize(list, &w, &h);
  if (w != largeSide || h != largeSide) return ImageList_AddIcon(list, icon);  // the small list scales every icon
  ICONINFO info{};
  if (!TakeOfferedBitmaps(icon, &info) && !GetIconInfo(icon, &info)) return ImageList_AddIcon(list, icon);
  BITMAP colour{}, mask{};
  int index = -1;
  if (info.hbmColor && info.hbmMask && GetObjectW(info.hbmColor, sizeof colour, &colour) &&
      GetObjectW(info.hbmMask, sizeof mask, &mask) && colour.bmWidth == w && colour.bmHeight == h &&
      mask.bmWidth == w && mask.bmHeight == h)
    index = ImageList_Add(list, info.hbmColor, info.hbmMask);
  DeleteIconBitmaps(info);
  return index >= 0 ? index : ImageList_AddIcon(list, icon);
}

// Icons are made at the large list's side for the list's DPI (32 at 96 DPI).
int LargeSide(const ControlRecord& r) { return ScaleToDpi(32, r.dpi); }
int SmallSide(const ControlRecord& r) { return ScaleToDpi(16, r.dpi); }

int AddImage(const ControlRecord& r, HIMAGELIST list, HANDLE image) {
  return IsBitmap(image) ? AddBitmap(list, static_cast<HBITMAP>(image))
                         : AddIcon(list, static_cast<HICON>(image), LargeSide(r));
}

// The image list the current view draws from (the large icons only in the
// icon view), with its count of entries.
HIMAGELIST ViewImages(ControlRecord& r, int** count) {
  const bool large = (GetWindowLongPtrW(r.handle, GWL_STYLE) & LVS_TYPEMASK) == LVS_ICON;
  *count = large ? &r.largeCount : &r.smallCount;
  return large ? r.largeImages : r.smallImages;
}

// Both lists hold the transparent entry 0 and nothing else.
void ResetImageLists(ControlRecord& r) {
  r.imageIndex.clear();
  r.images.assign(1, nullptr);
  for (HIMAGELIST list : {r.smallImages, r.largeImages}) {
    ImageList_Remove(list, -1);
    AddTransparentEntry(list);
  }
  r.smallCount = ImageList_GetImageCount(r.smallImages);
  r.largeCount = ImageList_GetImageCount(r.largeImages);
}

bool MakeImageLists(ControlRecord& r) {
  if (r.smallImages) return true;
  r.smallImages = ImageList_Create(SmallSide(r), SmallSide(r), ILC_COLOR32 | ILC_MASK, 8, 25);
  r.largeImages = ImageList_Create(LargeSide(r), LargeSide(r), ILC_COLOR32 | ILC_MASK, 8, 25);
  if (!r.smallImages || !r.largeImages) {
    if (r.smallImages) ImageList_Destroy(r.smallImages);
    if (r.largeImages) ImageList_Destroy(r.largeImages);
    r.smallImages = r.largeImages = nullptr;
    return false;
  }
  ResetImageLists(r);
  ListView_SetImageList(r.handle, r.smallImages, LVSIL_SMALL);
  ListView_SetImageList(r.handle, r.largeImages, LVSIL_NORMAL);
  return true;
}

// Brings the image list of the current view up to all known images. An image
// the platform refuses still takes its index (as the transparent one), so
// that both lists stay index for index.
void CatchUpImages(ControlRecord& r) {
  int* count = nullptr;
  HIMAGELIST list = ViewImages(r, &count);
  if (!list) return;
  while (*count < static_cast<int>(r.images.size())) {
    if (AddImage(r, list, r.images[static_cast<size_t>(*count)]) < 0) AddTransparentEntry(list);
    const int now = ImageList_GetImageCount(list);
    if (now <= *count) return;  // not even the transparent entry went in
    *count = now;
  }
}

// Each image handle gets an index once; later items reuse it.
int ImageIndex(ControlRecord& r, HANDLE image) {
  if (!image) return 0;
  auto known = r.imageIndex.find(image);
  if (known != r.imageIndex.end()) return known->second;
  if (!MakeImageLists(r)) return 0;
  CatchUpImages(r);
  int* count = nullptr;
  HIMAGELIST list = ViewImages(r, &count);
  const int index = AddImage(r, list, image);
  if (index < 0) return 0;
  if (index != static_cast<int>(r.images.size())) {
    ImageList_Remove(list, index);
    return 0;
  }
  *count = index + 1;
  r.images.push_back(image);
  r.imageIndex.emplace(image, index);
  return index;
}

bool HasCheckBoxes(HWND list) {
  return (ListView_GetExtendedListViewStyle(list) & LVS_EX_CHECKBOXES) != 0;
}

bool GetItemTick(const ControlRecord& r, int item) {
  return item >= 0 && item < static_cast<int>(r.ticks.size()) && r.ticks[static_cast<size_t>(item)] != 0;
}

int ItemCount(const ControlRecord& r) {
  return r.itemProvider ? r.providedCount : static_cast<int>(r.itemTexts.size());
}

// The text of one column (the part between line feeds) and the image of an
// item, as the list shows it.
std::wstring ItemColumn(ControlRecord& r, int item, int column, HANDLE* image) {
  std::wstring all;
  if (r.itemProvider) {
    std::string text;
    // Asked for the image only when the list wants it: measuring labels must
    // not take icons from their files.
    r.itemProvider(r.providerContext, item, &text, image);
    all = Widen(text.c_str());
  } else {
    all = r.itemTexts[static_cast<size_t>(item)];
    if (image) *image = r.itemImages[static_cast<size_t>(item)];
  }
  size_t start = 0;
  for (int c = 0; c < column; ++c) {
    size_t lf = all.find(L'\n', start);
    if (lf == std::wstring::npos) return std::wstring();
    start = lf + 1;
  }
  size_t lf = all.find(L'\n', start);
  return all.substr(start, lf == std::wstring::npos ? std::wstring::npos : lf - start);
}

// The list asks for what it draws; images enter the image lists only then.
template <class Item>
void AnswerDisplayQuery(ControlRecord& r, Item& item, bool wide) {
  if (item.iItem < 0 || item.iItem >= ItemCount(r)) return;
  HANDLE image = nullptr;
  const bool wantsText = (item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0;
  const bool wantsImage = (item.mask & LVIF_IMAGE) && item.iSubItem == 0;
  const bool standIn = r.labelStandIn >= 0;
  if (wantsText || wantsImage) {
    std::wstring text = ItemColumn(r, standIn ? r.labelStandIn : item.iItem, item.iSubItem,
                                   wantsImage && !standIn ? &image : nullptr);
    if (wantsText) {
      if (wide) {
        size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
        auto* out = reinterpret_cast<wchar_t*>(item.pszText);
        std::memcpy(out, text.data(), n * sizeof(wchar_t));
        out[n] = L'\0';
      } else {
        auto* out = reinterpret_cast<char*>(item.pszText);
        int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out,
                                    item.cchTextMax - 1, nullptr, nullptr);
        out[n > 0 ? n : 0] = '\0';
      }
    }
  }
  if (wantsImage) item.iImage = standIn ? 0 : ImageIndex(r, image);
  if ((item.mask & LVIF_STATE) && (item.stateMask & LVIS_STATEIMAGEMASK) && !r.ticks.empty()) {
    item.state = (item.state & ~LVIS_STATEIMAGEMASK) |
                 INDEXTOSTATEIMAGEMASK(r.ticks[static_cast<size_t>(item.iItem)] ? 2 : 1);
  }
}

// Type-to-find: the first item from iStart on (wrapping when asked) whose text
// begins with the typed text (or equals it without LVFI_PARTIAL), ignoring case.
int FindItem(ControlRecord& r, int start, UINT flags, const std::wstring& wanted) {
  if (!(flags & (LVFI_STRING | LVFI_PARTIAL))) return -1;
  const int count = ItemCount(r);
  if (count == 0) return -1;
  if (start < 0 || start >= count) start = 0;
  const bool partial = (flags & LVFI_PARTIAL) != 0;
  const int steps = (flags & LVFI_WRAP) ? count : count - start;
  for (int step = 0; step < steps; ++step) {
    const int item = (start + step) % count;
    std::wstring text = ItemColumn(r, item, 0, nullptr);
    if (text.size() < wanted.size() || (!partial && text.size() != wanted.size())) continue;
    if (wanted.empty() || CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.data(),
                                         static_cast<int>(wanted.size()), wanted.data(),
                                         static_cast<int>(wanted.size())) == CSTR_EQUAL)
      return item;
  }
  return -1;
}

// A click that leaves nothing selected after something was selected counts as
// a change of the selection, reported before the click.
void ReportLostSelection(ControlRecord& r) {
  if (r.lastSelected != -1 && ListView_GetSelectedCount(r.handle) == 0) {
    r.lastSelected = -1;
    PostControlReport(r.handle, r.number, kItemChange);
  }
}

void ReportSelected(ControlRecord& r, int item) {
  if (r.quietSelection) return;
  r.lastSelected = item;
  PostControlReport(r.handle, r.number, kItemChange);
}

bool ParentMessage(ControlRecord& r, UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
  if (msg != WM_NOTIFY) return false;
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  switch (header->code) {
    case NM_CLICK:
      ReportLostSelection(r);
      PostControlReport(r.handle, r.number, kLeftClick);
      break;
    case NM_RCLICK:
      ReportLostSelection(r);
      PostControlReport(r.handle, r.number, kRightClick);
      break;
    case NM_DBLCLK:
      PostControlReport(r.handle, r.number, kLeftDoubleClick);
      break;
    case NM_RETURN:
      PostControlReport(r.handle, r.number, kEnterKey);
      break;
    case NM_RDBLCLK:
      PostControlReport(r.handle, r.number, kRightDoubleClick);
      break;
    case LVN_BEGINDRAG:
      PostControlReport(r.handle, r.number, kDragStart);
      break;
    case LVN_GETDISPINFOW:
      AnswerDisplayQuery(r, reinterpret_cast<NMLVDISPINFOW*>(lParam)->item, true);
      break;
    case LVN_GETDISPINFOA:
      AnswerDisplayQuery(r, reinterpret_cast<NMLVDISPINFOA*>(lParam)->item, false);
      break;
    case LVN_ODFINDITEMW: {
      auto* find = reinterpret_cast<NMLVFINDITEMW*>(lParam);
      *result = FindItem(r, find->iStart, find->lvfi.flags, find->lvfi.psz ? find->lvfi.psz : L"");
      return true;
    }
    case LVN_ODFINDITEMA: {
      auto* find = reinterpret_cast<NMLVFINDITEMA*>(lParam);
      const std::wstring wanted = WideFromSystem(find->lvfi.psz);
      *result = FindItem(r, find->iStart, find->lvfi.flags, wanted);
      return true;
    }
    case LVN_ITEMCHANGED: {
      auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
      if (!(change->uChanged & LVIF_STATE) || change->iItem < 0) break;
      if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
        ReportSelected(r, change->iItem);
      break;
    }
    case LVN_ODSTATECHANGED: {
      auto* change = reinterpret_cast<NMLVODSTATECHANGE*>(lParam);
      if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
        ReportSelected(r, change->iFrom);
      break;
    }
    default:
      return false;
  }
  *result = 0;
  return true;
}

void Release(ControlRecord& r) {
  if (r.smallImages) ImageList_Destroy(r.smallImages);
  if (r.largeImages) ImageList_Destroy(r.largeImages);
  r.smallImages = r.largeImages = nullptr;
  r.imageIndex.clear();
  r.images.clear();
  r.itemTexts.clear();
  r.itemImages.clear();
  r.ticks.clear();
  r.itemProvider = nullptr;
}

intptr_t GetState(ControlRecord& r) { return ListView_GetNextItem(r.handle, -1, LVNI_SELECTED); }

int SetState(ControlRecord& r, intptr_t value) {
  if (value == -1) {
    ListView_SetItemState(r.handle, -1, 0, LVIS_SELECTED);
    return 1;
  }
  if (value < 0 || value >= ItemCount(r)) return 0;
  int item = static_cast<int>(value);
  ListView_SetItemState(r.handle, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(r.handle, item, FALSE);
  return 1;
}

bool IsIconView(HWND list) {
  const LONG_PTR view = GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK;
  return view == LVS_ICON || view == LVS_SMALLICON;
}

void MakeFirstColumn(ControlRecord& r) {
  if (!r.columnPending) return;
  r.columnPending = false;
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = ScaleToDpi(r.columnWidth, r.dpi);
  column.pszText = &r.columnTitle[0];
  SendMessageW(r.handle, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

void DrawOffScreen(ControlRecord& r) {
  if (HDC dc = CreateCompatibleDC(nullptr)) {
    SendMessageW(r.handle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    DeleteDC(dc);
  }
}

// The item whose first column the list's font draws widest, as the platform
// measures a label (at most 259 characters). A text's width is the sum of its
// characters' advances, as text extents are without added spacing, so each
// distinct character is asked for once.
int WidestLabel(ControlRecord& r, HFONT font) {
  HDC dc = GetDC(r.handle);
  if (!dc) return -1;
  HGDIOBJ old = SelectObject(dc, font);
  std::vector<int> advance(0x10000, -1);
  int widest = -1;
  long most = -1;
  for (int i = 0; i < ItemCount(r); ++i) {
    const std::wstring text = ItemColumn(r, i, 0, nullptr);
    long width = 0;
    for (size_t c = 0; c < text.size() && c < 259; ++c) {
      int& w = advance[static_cast<uint16_t>(text[c])];
      if (w < 0) {
        INT measured = 0;
        w = GetCharWidth32W(dc, text[c], text[c], &measured) ? measured : 0;
      }
      width += w;
    }
    if (width > most) most = width, widest = i;
  }
  SelectObject(dc, old);
  ReleaseDC(r.handle, dc);
  return widest;
}

// At its first draw with items, a small-icon or list view may measure every
// label to find the widest, the width of its grid (Wine does, fetching and
// releasing a DC per item: a tenth of a second for 10,000 items). It measures
// no labels after that. So it is shown the widest label alone first, as its
// only item, in a draw off screen; then it learns the real count again. Only
// while no item but the first is selected or focused: shrinking the count
// would undo that.
void MeasureLabelsByWidest(ControlRecord& r) {
  const LONG_PTR view = GetWindowLongPtrW(r.handle, GWL_STYLE) & LVS_TYPEMASK;
  const int count = ItemCount(r);
  auto font = reinterpret_cast<HFONT>(SendMessageW(r.handle, WM_GETFONT, 0, 0));
  const UINT selected = ListView_GetSelectedCount(r.handle);
  if ((view != LVS_SMALLICON && view != LVS_LIST) || count < 2 || !font || selected > 1 ||
      (selected == 1 && !ListView_GetItemState(r.handle, 0, LVIS_SELECTED)) ||
      ListView_GetNextItem(r.handle, -1, LVNI_FOCUSED) > 0)
    return;
  const int widest = WidestLabel(r, font);
  if (widest < 0) return;
  SendMessageW(r.handle, WM_SETREDRAW, FALSE, 0);
  SendMessageW(r.handle, LVM_SETITEMCOUNT, 1, LVSICF_NOSCROLL);
  r.labelStandIn = widest;
  DrawOffScreen(r);
  r.labelStandIn = -1;
  SendMessageW(r.handle, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
  SendMessageW(r.handle, WM_SETREDRAW, TRUE, 0);
}

// Places the items of an icon view. With redrawing off, the list neither
// measures nor invalidates item by item, so this costs next to nothing even
// for many items; turning it back on sets the scroll range once.
//
// A list not on screen yet also lays itself out now, by drawing once into a
// memory DC. Left to its first paint, it would do that inside the paint and
// draw its scroll bar twice more on the way (under Wine some 40 trips to the
// window server, with visual styles).
void Arrange(ControlRecord& r) {
  SendMessageW(r.handle, WM_SETREDRAW, FALSE, 0);
  if (IsIconView(r.handle)) ListView_Arrange(r.handle, LVA_DEFAULT);
  SendMessageW(r.handle, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(r.handle, nullptr, TRUE);
  if (!IsWindowVisible(r.handle)) DrawOffScreen(r);
}

// The platform list learns only the new count; items are drawn when shown.
void SetCount(ControlRecord& r) {
  SendMessageW(r.handle, WM_SETREDRAW, FALSE, 0);
  SendMessageW(r.handle, LVM_SETITEMCOUNT, static_cast<WPARAM>(ItemCount(r)), LVSICF_NOSCROLL);
  if (HasCheckBoxes(r.handle)) r.ticks.resize(static_cast<size_t>(ItemCount(r)), 0);
  Arrange(r);
}

void SetTick(ControlRecord& r, int item, bool ticked) {
  if (item < 0 || item >= static_cast<int>(r.ticks.size())) return;
  r.ticks[static_cast<size_t>(item)] = ticked ? 1 : 0;
  ListView_RedrawItems(r.handle, item, item);
}

// The list keeps no ticks of its own: a click on a check box and the space bar
// on the focused item toggle them here, as the platform does for stored items.
void ToggleTickAt(ControlRecord& r, POINT p) {
  LVHITTESTINFO hit{};
  hit.pt = p;
  const int item = ListView_HitTest(r.handle, &hit);
  if (item >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) && item < static_cast<int>(r.ticks.size()))
    SetTick(r, item, !r.ticks[static_cast<size_t>(item)]);
}

bool OwnMessage(ControlRecord& r, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if ((msg == WM_PAINT || msg == WM_PRINTCLIENT) && !r.labelsMeasured && ItemCount(r) > 0) {
    r.labelsMeasured = true;
    MeasureLabelsByWidest(r);
  }
  // The keypad's digits place the main window; the character they were
  // translated into (already queued) must not also search the list. The
  // digits of the main keyboard still do.
  if (msg == WM_KEYDOWN && wParam >= VK_NUMPAD0 && wParam <= VK_NUMPAD9) {
    MSG typed;
    PeekMessageW(&typed, hwnd, WM_CHAR, WM_CHAR, PM_REMOVE);
    return false;
  }
  if (r.ticks.empty()) return false;
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ToggleTickAt(r, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return false;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) {
        const int focused = ListView_GetNextItem(hwnd, -1, LVNI_FOCUSED);
        SetTick(r, focused, !GetItemTick(r, focused));
      }
      return false;
    case LVM_SETITEMSTATE: {
      auto* item = reinterpret_cast<LVITEMW*>(lParam);
      if (!item || !(item->stateMask & LVIS_STATEIMAGEMASK)) return false;
      const bool ticked = (item->state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
      const int index = static_cast<int>(wParam);
      if (index == -1) {
        for (int i = 0; i < static_cast<int>(r.ticks.size()); ++i) r.ticks[static_cast<size_t>(i)] = ticked ? 1 : 0;
        InvalidateRect(hwnd, nullptr, TRUE);
      } else if (index >= 0 && index < static_cast<int>(r.ticks.size())) {
        SetTick(r, index, ticked);
      } else {
        *result = FALSE;
        return true;
      }
      if (!(item->stateMask & ~LVIS_STATEIMAGEMASK)) {
        *result = TRUE;
        return true;
      }
      LVITEMW rest = *item;
      rest.stateMask &= ~LVIS_STATEIMAGEMASK;
      *result = CallControlDefault(hwnd, msg, wParam, reinterpret_cast<LPARAM>(&rest));
      return true;
    }
    default:
      return false;
  }
}

int AddItem(ControlRecord& r, int position, const char* text, HANDLE image) {
  if (r.itemProvider) return 0;
  const int count = ItemCount(r);
  const int index = (position < 0 || position > count) ? count : position;
  // Selection and focus after the new item move down with it.
  std::vector<int> selected;
  int focused = -1;
  if (index < count) {
    for (int i = ListView_GetNextItem(r.handle, index - 1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(r.handle, i, LVNI_SELECTED))
      selected.push_back(i);
    focused = ListView_GetNextItem(r.handle, -1, LVNI_FOCUSED);
    if (focused < index) focused = -1;
  }
  r.quietSelection = true;
  for (int i : selected) ListView_SetItemState(r.handle, i, 0, LVIS_SELECTED);
  r.itemTexts.insert(r.itemTexts.begin() + index, Widen(text));
  r.itemImages.insert(r.itemImages.begin() + index, image);
  ImageIndex(r, image);
  if (HasCheckBoxes(r.handle)) r.ticks.insert(r.ticks.begin() + index, 0);
  SetCount(r);
  for (int i : selected) ListView_SetItemState(r.handle, i + 1, LVIS_SELECTED, LVIS_SELECTED);
  if (focused >= 0) ListView_SetItemState(r.handle, focused + 1, LVIS_FOCUSED, LVIS_FOCUSED);
  r.quietSelection = false;
  if (r.lastSelected >= index) ++r.lastSelected;
  return 1;
}

int RemoveItem(ControlRecord& r, int position) {
  if (position < 0 || position >= ItemCount(r)) return 0;
  if (r.itemProvider) {
    --r.providedCount;
  } else {
    r.itemTexts.erase(r.itemTexts.begin() + position);
    r.itemImages.erase(r.itemImages.begin() + position);
  }
  if (position < static_cast<int>(r.ticks.size())) r.ticks.erase(r.ticks.begin() + position);
  // The platform list moves selection and focus of the later items up.
  ListView_DeleteItem(r.handle, position);
  Arrange(r);
  if (r.lastSelected == position)
    r.lastSelected = -1;
  else if (r.lastSelected > position)
    --r.lastSelected;
  return 1;
}

int ClearItems(ControlRecord& r) {
  r.itemProvider = nullptr;
  r.providedCount = 0;
  r.itemTexts.clear();
  r.itemImages.clear();
  r.ticks.clear();
  ListView_DeleteAllItems(r.handle);
  r.lastSelected = -1;
  if (r.smallImages) ResetImageLists(r);
  return 1;
}

int CountItems(ControlRecord& r) { return ItemCount(r); }

int GetItemState(ControlRecord& r, int item) {
  if (item < 0 || item >= ItemCount(r)) return 0;
  int state = ListView_GetItemState(r.handle, item, LVIS_SELECTED) ? kItemSelected : 0;
  if (GetItemTick(r, item)) state |= kItemChecked;
  return state;
}

int SetItemState(ControlRecord& r, int item, int state) {
  if (item < 0 || item >= ItemCount(r)) return 0;
  UINT bits = (state & kItemSelected) ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
  ListView_SetItemState(r.handle, item, bits, LVIS_SELECTED | LVIS_FOCUSED);
  SetTick(r, item, (state & kItemChecked) != 0);
  return 1;
}

int SetColour(ControlRecord& r, int which, int32_t colour) {
  if (colour != -1) colour &= 0xFFFFFF;
  if (which == kFrontColour) {
    r.front = colour;
    ListView_SetTextColor(r.handle, colour == -1 ? GetSysColor(COLOR_WINDOWTEXT) : static_cast<COLORREF>(colour));
  } else if (which == kBackColour) {
    r.back = colour;
    COLORREF c = colour == -1 ? GetSysColor(COLOR_WINDOW) : static_cast<COLORREF>(colour);
    ListView_SetBkColor(r.handle, c);
    ListView_SetTextBkColor(r.handle, c);
  } else {
    return 0;
  }
  InvalidateRect(r.handle, nullptr, TRUE);
  return 1;
}

// Moved to a display of another scale: image lists of the new sizes, which
// take every image again as the list draws it.
void IconListDpiChanged(ControlRecord& r) {
  if (!r.columnPending) {
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = ScaleToDpi(r.columnWidth, r.dpi);
    ListView_SetColumn(r.handle, 0, &column);
  }
  HIMAGELIST oldSmall = r.smallImages, oldLarge = r.largeImages;
  r.smallImages = r.largeImages = nullptr;
  if (MakeImageLists(r)) {
    if (oldSmall) ImageList_Destroy(oldSmall);
    if (oldLarge) ImageList_Destroy(oldLarge);
  } else {
    r.smallImages = oldSmall;
    r.largeImages = oldLarge;
  }
  r.labelsMeasured = false;
  Arrange(r);
  InvalidateRect(r.handle, nullptr, TRUE);
}

}  // namespace

const ControlKind kIconListKind = {
    ParentMessage, OwnMessage, Release, GetState, SetState, AddItem, RemoveItem, ClearItems,
    CountItems, GetItemState, SetItemState, SetColour, false, IconListDpiChanged};

void ReleaseOfferedBitmaps() {
  for (const auto& offered : gOfferedBitmaps) DeleteIconBitmaps(offered.second);
  gOfferedBitmaps.clear();
}

}  // namespace controls

void OfferIconBitmaps(HICON icon, const ICONINFO& info) {
  controls::gOfferedBitmaps.emplace_back(icon, info);
}

intptr_t CreateIconList(int number, int x, int y, int w, int h, const char* columnTitle,
                        int columnWidth, uint32_t flags) {
  using namespace controls;
  // No tab stop: keyboard users reach the fields and buttons around a list,
  // and a click still gives the list the focus. Made in the view it starts
  // in: switching views later moves and measures everything again.
  DWORD style = LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE | LVS_OWNERDATA;
  style |= (flags & kListLargeIconView) ? LVS_ICON : (flags & kListSmallIconView) ? LVS_SMALLICON : LVS_REPORT;
  if (!(flags & kListMultiSelect)) style |= LVS_SINGLESEL;
  if (flags & kListShowSelectionAlways) style |= LVS_SHOWSELALWAYS;
  CreateArgs args{number, &kIconListKind, WC_LISTVIEWW, nullptr, style, WS_EX_CLIENTEDGE,
                  x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  if (!r) return 0;
  HWND list = r->handle;
  // Texts go both ways as UTF-16 whatever the parent window's kind.
  SendMessageW(list, CCM_SETUNICODEFORMAT, TRUE, 0);
  if (flags & kListCheckBoxes) {
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    // The ticks live in the record; the list asks for them when it draws.
    ListView_SetCallbackMask(list, LVIS_STATEIMAGEMASK);
  }
  r->columnTitle = Widen(columnTitle);
  r->columnWidth = columnWidth;
  r->columnPending = true;
  if (!IsIconView(list)) MakeFirstColumn(*r);
  // Now, while the list is empty: the platform may measure every item's label
  // when image lists arrive later (Wine does, in the small-icon view).
  MakeImageLists(*r);
  return CreationResult(number, identity, list);
}

int SetIconListView(int number, int mode) {
  using namespace controls;
  static const DWORD kViews[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  ControlRecord* r = FindControl(number);
  if (!r || r->kind != &kIconListKind || mode < 0 || mode > 3) return 0;
  LONG_PTR style = GetWindowLongPtrW(r->handle, GWL_STYLE);
  if ((style & LVS_TYPEMASK) == static_cast<LONG_PTR>(kViews[mode])) return 1;
  SetWindowLongPtrW(r->handle, GWL_STYLE, (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | kViews[mode]);
  if (!IsIconView(r->handle)) MakeFirstColumn(*r);
  CatchUpImages(*r);
  Arrange(*r);
  return 1;
}

int SetControlItemProvider(int number, int count, ItemProvider provider, void* context) {
  using namespace controls;
  ControlRecord* r = FindControl(number);
  if (!r || r->kind != &kIconListKind || !provider || count < 0) return 0;
  ClearItems(*r);
  r->itemProvider = provider;
  r->providerContext = context;
  r->providedCount = count;
  SetCount(*r);
  return 1;
}

}  // namespace ui
