// List view with icons. The list shares its image lists (it never frees
// them); the record owns them and frees them with the control.
#include <cstring>
#include <vector>

#include "ui/controls.h"
#include "ui/controls/control_list.h"
#include "ui/events.h"

namespace ui {
namespace controls {
namespace {

HBITMAP MakeSection(int w, int h, uint32_t** bits) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* raw = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &raw, nullptr, 0);
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

int AddImage(HIMAGELIST list, HANDLE image) {
  return IsBitmap(image) ? AddBitmap(list, static_cast<HBITMAP>(image))
                         : ImageList_AddIcon(list, static_cast<HICON>(image));
}

bool MakeImageLists(ControlRecord& r) {
  if (r.smallImages) return true;
  r.smallImages = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                   ILC_COLOR32 | ILC_MASK, 8, 25);
  r.largeImages = ImageList_Create(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                   ILC_COLOR32 | ILC_MASK, 8, 25);
  if (!r.smallImages || !r.largeImages) {
    if (r.smallImages) ImageList_Destroy(r.smallImages);
    if (r.largeImages) ImageList_Destroy(r.largeImages);
    r.smallImages = r.largeImages = nullptr;
    return false;
  }
  AddTransparentEntry(r.smallImages);
  AddTransparentEntry(r.largeImages);
  ListView_SetImageList(r.handle, r.smallImages, LVSIL_SMALL);
  ListView_SetImageList(r.handle, r.largeImages, LVSIL_NORMAL);
  return true;
}

// Each image handle goes into the lists once; later items reuse its index.
int ImageIndex(ControlRecord& r, HANDLE image) {
  if (!image) return 0;
  for (auto& entry : r.imageIndex)
    if (entry.first == image) return entry.second;
  if (!MakeImageLists(r)) return 0;
  int index = AddImage(r.smallImages, image);
  if (index < 0) return 0;
  if (AddImage(r.largeImages, image) != index) {
    // Keep both lists index for index even if one add failed.
    ImageList_Remove(r.smallImages, index);
    return 0;
  }
  r.imageIndex.emplace_back(image, index);
  return index;
}

bool HasCheckBoxes(HWND list) {
  return (ListView_GetExtendedListViewStyle(list) & LVS_EX_CHECKBOXES) != 0;
}

// A click that leaves nothing selected after something was selected counts as
// a change of the selection, reported before the click.
void ReportLostSelection(ControlRecord& r) {
  if (r.lastSelected != -1 && ListView_GetSelectedCount(r.handle) == 0) {
    r.lastSelected = -1;
    PostControlReport(r.handle, r.number, kItemChange);
  }
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
    case LVN_ITEMCHANGED: {
      auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
      if ((change->uChanged & LVIF_STATE) && change->iItem >= 0 &&
          (change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) {
        r.lastSelected = change->iItem;
        PostControlReport(r.handle, r.number, kItemChange);
      }
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
}

intptr_t GetState(ControlRecord& r) { return ListView_GetNextItem(r.handle, -1, LVNI_SELECTED); }

int SetState(ControlRecord& r, intptr_t value) {
  if (value == -1) {
    ListView_SetItemState(r.handle, -1, 0, LVIS_SELECTED);
    return 1;
  }
  if (value < 0 || value >= ListView_GetItemCount(r.handle)) return 0;
  int item = static_cast<int>(value);
  ListView_SetItemState(r.handle, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(r.handle, item, FALSE);
  return 1;
}

int AddItem(ControlRecord& r, int position, const char* text, HANDLE image) {
  // The text up to the first line feed names the item; each further part
  // fills the next column.
  std::wstring all = Widen(text);
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (;;) {
    size_t lf = all.find(L'\n', start);
    parts.push_back(all.substr(start, lf == std::wstring::npos ? std::wstring::npos : lf - start));
    if (lf == std::wstring::npos) break;
    start = lf + 1;
  }
  int count = ListView_GetItemCount(r.handle);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = (position < 0 || position > count) ? count : position;
  item.pszText = &parts[0][0];
  item.iImage = ImageIndex(r, image);
  int index = static_cast<int>(SendMessageW(r.handle, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (index < 0) return 0;
  if (r.lastSelected >= index) ++r.lastSelected;
  for (size_t column = 1; column < parts.size(); ++column) {
    LVITEMW sub{};
    sub.iSubItem = static_cast<int>(column);
    sub.pszText = &parts[column][0];
    SendMessageW(r.handle, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&sub));
  }
  return 1;
}

int RemoveItem(ControlRecord& r, int position) {
  if (!ListView_DeleteItem(r.handle, position)) return 0;
  if (r.lastSelected == position)
    r.lastSelected = -1;
  else if (r.lastSelected > position)
    --r.lastSelected;
  return 1;
}

int ClearItems(ControlRecord& r) {
  ListView_DeleteAllItems(r.handle);
  r.lastSelected = -1;
  r.imageIndex.clear();
  for (HIMAGELIST list : {r.smallImages, r.largeImages}) {
    if (!list) continue;
    ImageList_Remove(list, -1);
    AddTransparentEntry(list);
  }
  return 1;
}

int CountItems(ControlRecord& r) { return ListView_GetItemCount(r.handle); }

int GetItemState(ControlRecord& r, int item) {
  if (item < 0 || item >= ListView_GetItemCount(r.handle)) return 0;
  int state = ListView_GetItemState(r.handle, item, LVIS_SELECTED) ? kItemSelected : 0;
  if (HasCheckBoxes(r.handle) && ListView_GetCheckState(r.handle, item)) state |= kItemChecked;
  return state;
}

int SetItemState(ControlRecord& r, int item, int state) {
  if (item < 0 || item >= ListView_GetItemCount(r.handle)) return 0;
  UINT bits = (state & kItemSelected) ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
  ListView_SetItemState(r.handle, item, bits, LVIS_SELECTED | LVIS_FOCUSED);
  if (HasCheckBoxes(r.handle)) ListView_SetCheckState(r.handle, item, (state & kItemChecked) ? TRUE : FALSE);
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

}  // namespace

const ControlKind kIconListKind = {
    ParentMessage, nullptr, Release, GetState, SetState, AddItem, RemoveItem, ClearItems,
    CountItems, GetItemState, SetItemState, SetColour, false};

}  // namespace controls

intptr_t CreateIconList(int number, int x, int y, int w, int h, const char* columnTitle,
                        int columnWidth, uint32_t flags) {
  using namespace controls;
  // No tab stop: keyboard users reach the fields and buttons around a list,
  // and a click still gives the list the focus.
  DWORD style = LVS_REPORT | LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE;
  if (!(flags & kListMultiSelect)) style |= LVS_SINGLESEL;
  if (flags & kListShowSelectionAlways) style |= LVS_SHOWSELALWAYS;
  CreateArgs args{number, &kIconListKind, WC_LISTVIEWW, nullptr, style, WS_EX_CLIENTEDGE,
                  x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  if (!r) return 0;
  HWND list = r->handle;
  if (flags & kListCheckBoxes)
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
  std::wstring title = Widen(columnTitle);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = columnWidth;
  column.pszText = &title[0];
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  return CreationResult(number, identity, list);
}

int SetIconListView(int number, int mode) {
  using namespace controls;
  static const DWORD kViews[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  ControlRecord* r = FindControl(number);
  if (!r || r->kind != &kIconListKind || mode < 0 || mode > 3) return 0;
  LONG_PTR style = GetWindowLongPtrW(r->handle, GWL_STYLE);
  SetWindowLongPtrW(r->handle, GWL_STYLE, (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | kViews[mode]);
  if (mode <= 1) ListView_Arrange(r->handle, LVA_DEFAULT);
  InvalidateRect(r->handle, nullptr, TRUE);
  return 1;
}

}  // namespace ui
