#pragma once

// Picture N (an .ico or .png file as it lies in resources/pictures) is compiled
// in as RCDATA resource N, so the image number and the resource id are one.
constexpr int kFirstEmbeddedPicture = 15, kLastEmbeddedPicture = 35;
