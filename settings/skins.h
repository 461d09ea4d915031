#pragma once
// Skins: background pictures for the main window, one folder per skin below
// "Skins" in the start directory, each holding skin.png. Image 76 is the main
// window's background, image 77 the settings dialog's preview source.
//
// The background registry paints an image as a window's background, tiled,
// in place of the window class's brush. All of this runs on the GUI thread.
#include <windows.h>

#include <string>
#include <vector>

namespace settings {

// Skin folder names in file-system order, collected once at start-up.
extern std::vector<std::string> gSkinNames;

void CollectSkinNames();

// Image 76 from the skin's picture, or a grey 216 x 408 background with a
// black frame when the picture is missing; scaled to 216 x 408 and copied to
// image 77. A picture that exists but cannot be loaded leaves no image 76.
void PrepareSkinImage(const std::string& name);

// Switches the running launcher to another skin: the preview (image 77 at
// 108 x 204, shown in control `previewControl` if it exists) and window 60's
// background (image 76 at the picture's own size, so a smaller picture is
// tiled). Returns 1 and sets Skin when the picture was applied; 0 when it is
// missing or cannot be loaded, and then nothing changes.
int ApplySkin(const std::string& name, int previewControl = 36);

// Makes the image the window's background and repaints the window at once.
// 0 when the window or the image is missing or the image's size cannot be
// read; otherwise the window's position in the registry plus 1.
int SetBackgroundImage(HWND window, int imageNumber);

// Exit path: deletes the images the registry owns and its drawing surface.
void ReleaseBackgrounds();

}  // namespace settings
