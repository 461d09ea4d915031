#include "settings/skins.h"

#include "settings/alignment.h"
#include "settings/settings.h"
#include "storage/directory.h"
#include "storage/line_counter.h"
#include "ui/controls.h"
#include "ui/drawing.h"
#include "ui/images.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesSkins)

namespace settings {

std::vector<std::string> gSkinNames;

namespace {

constexpr char kSkinsFolder[] = "Skins";
constexpr char kPictureName[] = "skin.png";
constexpr int kListingSlot = 0;
constexpr int kFolderEntry = 2;

constexpr int kMainWindow = 60;
constexpr int kBackgroundImage = 76;
constexpr int kPreviewImage = 77;
// A skin chosen at run time is loaded here first, so that a picture that
// turns out unloadable has not yet released images 76 and 77.
constexpr int kIncomingImage = 78;

constexpr int kBackgroundWidth = kMainWidth, kBackgroundHeight = kMainHeight;
constexpr int kPreviewWidth = 108, kPreviewHeight = 204;
constexpr int32_t kPlainGrey = 226 + 256 * 226 + 65536 * 226;
constexpr int32_t kFrameBlack = 0;
constexpr int kFilledDrawing = 0;

struct Background {
  HWND window = nullptr;  // null once the window is gone, so a recycled handle starts afresh
  WNDPROC previous = nullptr;
  HANDLE image = nullptr;
  bool owned = false;  // never set by the launcher: images 76/77 belong to the image table
  int width = 0, height = 0;
};

// Positions are handed out as results, so entries are never removed.
std::vector<Background> gBackgrounds;
// One surface for all windows, made when a background is first painted.
HDC gSurface = nullptr;

int FindBackground(HWND window) {
  for (size_t i = 0; i < gBackgrounds.size(); ++i)
    if (gBackgrounds[i].window == window) return static_cast<int>(i);
  return -1;
}

std::string SkinPicturePath(const std::string& name) {
  return StartDirectoryFile(kSkinsFolder) + "\\" + name + "\\" + kPictureName;
}

// Entries painted from an image that has just been released would paint a
// dead (or, worse, recycled) handle; they paint nothing until given another.
void ForgetBackgroundImage(HANDLE image) {
  if (image == nullptr) return;
  for (Background& entry : gBackgrounds) {
    if (entry.image != image) continue;
    entry.image = nullptr;
    entry.owned = false;
    entry.width = entry.height = 0;
  }
}

void ForgetIfReplaced(HANDLE before) {
  if (before != nullptr && ui::ImageHandle(kBackgroundImage) != before) ForgetBackgroundImage(before);
}

void DrawPlainBackground() {
  if (!ui::NewImage(kBackgroundImage, kBackgroundWidth, kBackgroundHeight)) return;
  if (!ui::BeginDrawing(ui::ImageDrawTarget(kBackgroundImage))) return;
  ui::SetDrawMode(kFilledDrawing);
  ui::DrawBox(0, 0, kBackgroundWidth, kBackgroundHeight, kPlainGrey);
  ui::SetDrawMode(ui::kDrawOutlined);
  ui::DrawBox(0, 0, kBackgroundWidth, kBackgroundHeight, kFrameBlack);
  ui::EndDrawing();
}

// Reusing a number releases its image, and a failed load leaves it empty.
void ReleaseImage(int number) { ui::ImageFromMemory(number, nullptr, 0); }

bool PaintTiles(const Background& entry, HDC dc) {
  if (dc == nullptr || entry.width <= 0 || entry.height <= 0) return false;
  // A last guard against a handle released behind the registry's back.
  if (entry.image == nullptr || GetObjectType(entry.image) != OBJ_BITMAP) return false;
  if (gSurface == nullptr) gSurface = CreateCompatibleDC(nullptr);
  if (gSurface == nullptr) return false;
  RECT client;
  if (!GetClientRect(entry.window, &client)) return false;
  HGDIOBJ saved = SelectObject(gSurface, entry.image);
  if (saved == nullptr) return false;
  for (int x = 0; x < client.right; x += entry.width)
    for (int y = 0; y < client.bottom; y += entry.height)
      BitBlt(dc, x, y, entry.width, entry.height, gSurface, 0, 0, SRCCOPY);
  SelectObject(gSurface, saved);
  return true;
}

LRESULT CALLBACK BackgroundProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const int index = FindBackground(window);
  if (index < 0) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_ERASEBKGND &&
      PaintTiles(gBackgrounds[static_cast<size_t>(index)], reinterpret_cast<HDC>(wParam)))
    return 1;
  // Copied out: the previous procedure may add entries and move the vector.
  const WNDPROC previous = gBackgrounds[static_cast<size_t>(index)].previous;
  const LRESULT result = previous != nullptr
                             ? CallWindowProcW(previous, window, message, wParam, lParam)
                             : DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) gBackgrounds[static_cast<size_t>(index)].window = nullptr;
  return result;
}

}  // namespace

void CollectSkinNames() {
  MARK_LINE();
  gSkinNames.clear();
  const std::string folder = StartDirectoryFile(kSkinsFolder);
  if (!storage::OpenListing(kListingSlot, folder.c_str(), "*.*")) return;
  while (storage::NextListingEntry(kListingSlot)) {
    if (storage::ListingEntryKind(kListingSlot) != kFolderEntry) continue;
    std::string name = storage::ListingEntryName(kListingSlot);
    if (name == "." || name == "..") continue;
    gSkinNames.push_back(std::move(name));
  }
  storage::CloseListing(kListingSlot);
}

void PrepareSkinImage(const std::string& name) {
  MARK_LINE();
  const HANDLE before = ui::ImageHandle(kBackgroundImage);
  const std::string picture = SkinPicturePath(name);
  // A folder named skin.png counts as present: its load fails and leaves no
  // background rather than the plain one.
  if (storage::PathSize(picture.c_str()) != -1)
    ui::ImageFromFile(kBackgroundImage, picture.c_str(), ui::kSkinLimits);
  else
    DrawPlainBackground();
  ui::ScaleImage(kBackgroundImage, kBackgroundWidth, kBackgroundHeight, ui::kScaleRaw);
  ui::DuplicateImage(kBackgroundImage, kPreviewImage);
  ForgetIfReplaced(before);
}

int ApplySkin(const std::string& name, int previewControl) {
  MARK_LINE();
  const std::string picture = SkinPicturePath(name);
  if (storage::PathSize(picture.c_str()) == -1) return 0;
  // Only a picture known to load replaces 76 and 77: the window and the
  // preview keep the previous skin otherwise.
  if (!ui::ImageFromFile(kIncomingImage, picture.c_str(), ui::kSkinLimits)) return 0;
  // Drawn for 96 DPI: as much larger as the display scales the window.
  ui::ScaleImageToProgramDpi(kIncomingImage);

  ui::DuplicateImage(kIncomingImage, kPreviewImage);
  ui::ScaleImage(kPreviewImage, kPreviewWidth, kPreviewHeight, ui::kScaleRaw);
  if (ui::ControlExists(previewControl))
    ui::SetControlState(previewControl, reinterpret_cast<intptr_t>(ui::ImageHandle(kPreviewImage)));

  // Kept at its own size until the next start, so a smaller picture tiles.
  const HANDLE before = ui::ImageHandle(kBackgroundImage);
  ui::DuplicateImage(kIncomingImage, kBackgroundImage);
  ReleaseImage(kIncomingImage);
  ForgetIfReplaced(before);
  SetBackgroundImage(ui::WindowHandle(kMainWindow), kBackgroundImage);

  gSettings.Skin = name;
  return 1;
}

int SetBackgroundImage(HWND window, int imageNumber) {
  MARK_LINE();
  if (window == nullptr || !IsWindow(window)) return 0;
  const HANDLE image = ui::ImageHandle(imageNumber);
  if (image == nullptr) return 0;
  int width = 0, height = 0;
  if (!ui::ImageSize(imageNumber, &width, &height)) return 0;

  int index = FindBackground(window);
  const bool first = index < 0;
  if (first) {
    gBackgrounds.push_back(Background{});
    index = static_cast<int>(gBackgrounds.size()) - 1;
  }
  Background& entry = gBackgrounds[static_cast<size_t>(index)];
  if (entry.owned && entry.image != nullptr && entry.image != image) DeleteObject(entry.image);
  entry.owned = false;
  entry.window = window;
  entry.width = width;
  entry.height = height;
  entry.image = image;
  if (first) {
    // The entry exists before the procedure can run for this window.
    entry.previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BackgroundProcedure)));
  }

  // Every program window has a class of its own, so this touches no other
  // window. The class brush may be a system colour index, which is no object.
  const auto brush =
      reinterpret_cast<HGDIOBJ>(SetClassLongPtrA(window, GCLP_HBRBACKGROUND, 0));
  if (brush != nullptr && GetObjectType(brush) == OBJ_BRUSH) DeleteObject(brush);

  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
  return index + 1;
}

void ReleaseBackgrounds() {
  MARK_LINE();
  // Windows still open paint nothing from here on, so no new surface is made.
  for (Background& entry : gBackgrounds) {
    if (entry.owned && entry.image != nullptr) DeleteObject(entry.image);
    entry.image = nullptr;
    entry.owned = false;
  }
  if (gSurface != nullptr) DeleteDC(gSurface);
  gSurface = nullptr;
}

}  // namespace settings
