#pragma once
// The reversible scrambling of the stored password.
#include <string>

namespace settings {

// shift +32 scrambles, -32 unscrambles; any other shift adds it to every
// byte modulo 256. The scrambled form is always a valid preference value:
// no zero, CR or LF bytes and no blank or tab at either end.
std::string ShiftText(const std::string& text, int shift);

}  // namespace settings
