#pragma once
// The information dialog "Über..." (window 61): banner, author, the project's
// website and mail address as links, release date, and a closing button.

namespace settings {

void OpenInfoDialog();

// Controls 38 (website), 39 (mail address) and 43 (close), as the main loop
// hands them over.
void InfoControlEvent(int control, int type);

// The website as the dialog shows it: without its scheme and without a
// trailing slash.
const char* WebsiteShown();

// Tests replace the shell calls so that no browser or mail program starts;
// nullptr restores the real ones. The argument is the complete address.
void SetMailOpenerForTesting(void (*opener)(const char* mailto));
void SetWebsiteOpenerForTesting(void (*opener)(const char* address));

}  // namespace settings
