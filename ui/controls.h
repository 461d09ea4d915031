#pragma once
// Numbered controls inside program windows: buttons with images, pictures,
// texts, link labels, edit fields, lists, check boxes, option buttons, combo
// boxes, containers and frames. Callers address a control by the number they
// gave it; -1 asks for a free identity that the creating call returns.
//
// Everything here runs on the GUI thread, except SetControlState on an image
// control or image button, which another thread may call: the GUI thread then
// carries out the change while the caller waits.
#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

// Flags of the creating calls.
constexpr uint32_t kTextCentred = 0x1;        // CreateTextControl
constexpr uint32_t kTextSunken = 0x20000;     // CreateTextControl, CreateImageControl
constexpr uint32_t kLinkUnderlined = 0x1;     // CreateLinkLabel
constexpr uint32_t kEditPassword = 0x20;      // CreateEditField
constexpr uint32_t kEditReadOnly = 0x800;
constexpr uint32_t kEditDigitsOnly = 0x2000;
constexpr uint32_t kEditNoBorder = 0x20000;
constexpr uint32_t kListCheckBoxes = 0x1;     // CreateIconList
constexpr uint32_t kListMultiSelect = 0x4;
constexpr uint32_t kListShowSelectionAlways = 0x8;
constexpr uint32_t kListLargeIconView = 0x10;  // the view to start in; the report view
constexpr uint32_t kListSmallIconView = 0x20;  // without either
constexpr uint32_t kComboEditable = 0x2;      // CreateComboBox
constexpr uint32_t kContainerBorder = 0x1;    // CreateContainer
constexpr uint32_t kContainerDialogFrame = 0x2;
constexpr uint32_t kContainerStaticEdge = 0x4;
constexpr uint32_t kContainerClientEdge = 0x8;

// CreateFrame types.
constexpr int kFrameGroupBox = 0;
constexpr int kFrameSunken = 1;
constexpr int kFrameStaticEdge = 2;
constexpr int kFrameFlat = 3;

// SetControlColour: which colour.
constexpr int kFrontColour = 1;
constexpr int kBackColour = 2;

// SetIconListView modes.
constexpr int kLargeIcons = 0;
constexpr int kSmallIcons = 1;
constexpr int kListView = 2;
constexpr int kReportView = 3;

// Item state bits of a list with icons.
constexpr int kItemSelected = 1;
constexpr int kItemChecked = 2;

// Module start (before any window) and end.
void ControlsStartup();
void ControlsShutdown();

// Hands over an icon's two bitmaps, already copied out of it (GetIconInfo,
// which may run on any thread), to the first list with icons that adds the
// icon at its own size; that list would otherwise copy them itself.
void OfferIconBitmaps(HICON icon, const ICONINFO& info);

// Where new controls go. UseControlParent also starts a new option group.
HWND UseControlParent(HWND window);
void EndContainer();
// number -1: the font for controls created from now on; font (HFONT)-1: the
// platform's default GUI font.
int SetControlFont(int number, HFONT font);

// Creating calls: positions and sizes relative to the current parent. They
// return the platform handle (or the identity for -1), 0 on failure. Image
// handles are bitmaps or icons. Colours are r + 256 g + 65536 b, -1 default.
intptr_t CreateImageButton(int number, int x, int y, int w, int h, HANDLE image);
intptr_t CreateImageControl(int number, int x, int y, int w, int h, HANDLE image, uint32_t flags);
intptr_t CreateTextControl(int number, int x, int y, int w, int h, const char* text, uint32_t flags);
intptr_t CreateLinkLabel(int number, int x, int y, int w, int h, const char* text,
                         int32_t hoverColour, uint32_t flags);
intptr_t CreateEditField(int number, int x, int y, int w, int h, const char* text, uint32_t flags);
intptr_t CreateIconList(int number, int x, int y, int w, int h, const char* columnTitle,
                        int columnWidth, uint32_t flags);
intptr_t CreateTextList(int number, int x, int y, int w, int h, uint32_t flags);
intptr_t CreateCheckBox(int number, int x, int y, int w, int h, const char* text, uint32_t flags);
intptr_t CreateOptionButton(int number, int x, int y, int w, int h, const char* text);
intptr_t CreateComboBox(int number, int x, int y, int w, int h, uint32_t flags);
intptr_t CreateContainer(int number, int x, int y, int w, int h, uint32_t flags);
intptr_t CreateFrame(int number, int x, int y, int w, int h, const char* text, int type);

// Generic operations. A number that names no control: 0 (GetControlText: "").
int SetControlText(int number, const char* text);
std::string GetControlText(int number);
// The text exactly as typed: false (and "") when it holds a character Windows-1252 lacks, which
// GetControlText would give as a look-alike or "?".
bool GetControlTextExactly(int number, std::string* text);
intptr_t GetControlState(int number);
int SetControlState(int number, intptr_t value);
// position -1 appends. Returns non-zero on success.
int AddControlItem(int number, int position, const char* text, HANDLE image = nullptr);
int RemoveControlItem(int number, int position);
int ClearControlItems(int number);
int CountControlItems(int number);
int GetControlItemState(int number, int item);
int SetControlItemState(int number, int item, int state);
int SetControlColour(int number, int which, int32_t colour);
int SetControlToolTip(int number, const char* text);
int DisableControl(int number, int disable);
// number -1 removes the focus.
int FocusControl(int number);
// -1 when no control has the focus.
int FocusedControl();
HWND ControlHandle(int number);
int ControlExists(int number);
int SetIconListView(int number, int mode);
// Replaces the items of a list with icons by count items that the list asks
// the provider for whenever it needs one (to draw it, search it or answer a
// query), so filling costs the same for any count. The provider must answer
// for every index below count until the list is filled or cleared again;
// RemoveControlItem on such a list expects the provider's items to have moved
// up already. Selection and ticks start cleared. image is nullptr when the
// list needs only the text.
using ItemProvider = void (*)(void* context, int index, std::string* text, HANDLE* image);
int SetControlItemProvider(int number, int count, ItemProvider provider, void* context);

}  // namespace ui
