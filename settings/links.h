#pragma once
// The project's own web and mail addresses shown by the information dialog.
// A build may set its own with -DTROVANTO_WEBSITE=... and
// -DTROVANTO_MAIL_ADDRESS=...; the website carries its scheme, which the
// dialog leaves out when it shows the address.

#ifndef TROVANTO_WEBSITE
#define TROVANTO_WEBSITE "https://www.trovanto.example/"
#endif

#ifndef TROVANTO_MAIL_ADDRESS
#define TROVANTO_MAIL_ADDRESS "info@trovanto.example"
#endif

namespace settings {

constexpr char kWebsite[] = TROVANTO_WEBSITE;
constexpr char kMailAddress[] = TROVANTO_MAIL_ADDRESS;

}  // namespace settings
