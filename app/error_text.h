#pragma once
// The error trap's message, kept free of Win32 so that it is tested natively.
#include <cstdint>
#include <string>

namespace app {

// Description of an exception code, as the trap shows it.
const char* ExceptionDescription(uint32_t code);

// "Zeile " + line + ": " + LF + CR + description.
std::string ErrorMessageText(int32_t line, uint32_t code);

}  // namespace app
