#pragma once
// Inside the control layer: the control record, the per-kind operation table
// and the helpers the kind files share.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/object_table.h"
#include "ui/ui.h"

namespace ui {
namespace controls {

struct ControlKind;

// One per live control. Records are moved by the table when a number is
// reused, so everything here must be movable; resources that the record owns
// (brush reference, private bitmap copy, image lists, fonts) are freed by
// ReleaseControlData, never by a destructor.
struct ControlRecord {
  HWND handle = nullptr;
  const ControlKind* kind = nullptr;
  int number = 0;
  // Place and size as the caller gave them (at 96 DPI), relative to the
  // parent, and the DPI the control is laid out at.
  RECT design{};
  int dpi = 96;

  // Colours (-1 = platform default) and the shared brush for the back colour.
  int32_t front = -1;
  int32_t back = -1;
  HBRUSH backBrush = nullptr;

  // Image button and image control: the caller's image (never owned) and, for
  // image controls, a private copy of a bitmap so that painting never needs
  // the caller's bitmap, which another thread may be drawing into.
  HANDLE image = nullptr;
  HBITMAP paintCopy = nullptr;
  bool sunken = false;

  HANDLE theme = nullptr;  // image button: its open theme (HTHEME)

  // Mouse state of image controls, image buttons and link labels.
  bool hot = false;
  bool dragArmed = false;
  POINT dragFrom{};
  bool afterRightDoubleClick = false;

  // Link label.
  int32_t hover = -1;
  bool underline = false;
  HFONT underlineFont = nullptr;   // owned
  HFONT underlineSource = nullptr; // the font it was made from

  // List with icons. The platform list keeps only the count, selection and
  // focus; texts and images come from here when it draws or searches, either
  // from items added one by one or from the caller's provider.
  // Each image gets one index, the same in both image lists; it enters only
  // the list the current view draws from, the other catches up when the view
  // changes (adding an icon costs the platform more than extracting it).
  HIMAGELIST smallImages = nullptr;  // owned (the list shares, never frees)
  HIMAGELIST largeImages = nullptr;  // owned
  std::unordered_map<HANDLE, int> imageIndex;
  std::vector<HANDLE> images;        // by index; index 0 shows nothing
  int smallCount = 0;                // entries already in smallImages
  int largeCount = 0;                // entries already in largeImages
  int lastSelected = -1;
  std::vector<std::wstring> itemTexts;  // added items: all columns, split at line feeds
  std::vector<HANDLE> itemImages;
  void (*itemProvider)(void* context, int index, std::string* text, HANDLE* image) = nullptr;
  void* providerContext = nullptr;
  int providedCount = 0;
  std::vector<unsigned char> ticks;  // one per item in lists with check boxes
  // The first column, made only once a view shows columns: in the icon views
  // the platform's column header is one more window, moved on every change.
  std::wstring columnTitle;
  int columnWidth = 0;
  bool columnPending = false;
  bool quietSelection = false;       // selection moves made here are no user's change
  bool labelsMeasured = false;       // drawn with items once: the grid's width is set
  int labelStandIn = -1;             // the item whose text item 0 shows while it is set

  // Text list: widest text so far, for the horizontal scroll range.
  int widest = 0;

  // Frame type.
  int frameType = 0;

  // The window the control's tooltip tool is registered with.
  HWND toolParent = nullptr;
};

// The operations a kind supports; nullptr = not supported.
struct ControlKind {
  // Offered the parent's messages about this control (command, notify,
  // scroll, colour, owner-draw). Returns true when it took the message.
  bool (*parentMessage)(ControlRecord&, UINT msg, WPARAM, LPARAM, LRESULT* result);
  // The control's own messages, seen before the platform's procedure.
  // Returns true when it took the message.
  bool (*ownMessage)(ControlRecord&, HWND, UINT, WPARAM, LPARAM, LRESULT* result);
  // Frees the kind's own resources in the record.
  void (*release)(ControlRecord&);
  intptr_t (*getState)(ControlRecord&);
  int (*setState)(ControlRecord&, intptr_t value);
  int (*addItem)(ControlRecord&, int position, const char* text, HANDLE image);
  int (*removeItem)(ControlRecord&, int position);
  int (*clearItems)(ControlRecord&);
  int (*countItems)(ControlRecord&);
  int (*getItemState)(ControlRecord&, int item);
  int (*setItemState)(ControlRecord&, int item, int state);
  int (*setColour)(ControlRecord&, int which, int32_t colour);
  // The state may be set from a thread other than the GUI thread (images).
  bool stateFromOtherThreads;
  // After the control was moved and sized for a new DPI (r.dpi is the new one).
  void (*dpiChanged)(ControlRecord&);
};

// Everything a kind needs to make its platform control.
struct CreateArgs {
  int number;
  const ControlKind* kind;
  const wchar_t* className;
  const char* text;  // Windows-1252; nullptr = empty
  DWORD style;       // WS_CHILD | WS_VISIBLE are added
  DWORD exStyle;
  int x, y, w, h;
  bool isOption;     // option buttons join the group of a directly preceding option
};

// Creates the control in the current parent under its number and returns its
// record, or nullptr (the number then names nothing). *identity receives the
// number to report for -1.
ControlRecord* CreateControl(const CreateArgs& args, int* identity);
// What a creating call returns.
intptr_t CreationResult(int number, int identity, HWND handle);

ObjectTable<ControlRecord>& ControlTable();
ControlRecord* FindControl(int number);
// The record of a platform control, or nullptr when it is not one of ours.
ControlRecord* RecordOf(HWND control);
// What the control's own class does with a message (the program's procedure
// stands in front of it on every control).
LRESULT CallControlDefault(HWND control, UINT msg, WPARAM wParam, LPARAM lParam);
// The current parent for new controls.
HWND CurrentParent();
// Pushes the current parent and makes the container current.
void EnterContainer(HWND container);

// The program's Windows-1252 texts as the platform's UTF-16.
inline std::wstring Widen(const char* text) { return WideFrom1252(text); }
std::string WindowText(HWND hwnd);

// Colours: stores front (1) or back (2) colour with its shared brush and
// redraws the control. Returns 1, or 0 for another which.
int StoreColour(ControlRecord& r, int which, int32_t colour);
// Answers a WM_CTLCOLOR* message from the record's colours. When only a front
// colour is set the background is the given system colour (or the back colour
// of an enclosing container). Returns false when the record has no colours.
bool AnswerColourQuery(ControlRecord& r, WPARAM dc, int fallbackSysColour, LRESULT* result);
// The back brush of the container that holds the control, or nullptr.
ControlRecord* ColouredContainerOf(HWND control);

// Images: true for a bitmap, false for an icon (or nothing).
bool IsBitmap(HANDLE image);
SIZE ImageSize(HANDLE image);
// Releases the icon bitmaps offered to the lists and never taken.
void ReleaseOfferedBitmaps();

// Kind tables.
extern const ControlKind kImageButtonKind;
extern const ControlKind kImageControlKind;
extern const ControlKind kTextKind;
extern const ControlKind kLinkLabelKind;
extern const ControlKind kEditFieldKind;
extern const ControlKind kIconListKind;
extern const ControlKind kTextListKind;
extern const ControlKind kCheckBoxKind;
extern const ControlKind kOptionButtonKind;
extern const ControlKind kComboBoxKind;
extern const ControlKind kContainerKind;
extern const ControlKind kFrameKind;

// The container window class; its procedure hands everything but its own
// moves and size changes to the program window procedure.
extern const wchar_t kContainerClass[];
LRESULT CALLBACK ContainerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Private message served on the GUI thread: set the image (lParam) of an image
// control or image button; returns the kind's setState result.
constexpr UINT kMsgSetImage = WM_APP + 0x140;

}  // namespace controls
}  // namespace ui
