#include "app/error_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorText, MessageIsByteExactForEveryKnownCode) {
  struct Case {
    uint32_t code;
    const char* description;
  } cases[] = {
      {0x00000000u, "No Error"},
      {0xC0000005u, "An attemped read or write to/from an address to which that process isn't allowed"},
      {0xC0000094u, "Attempted division by zero"},
      {0xC000013Au, "CONTROL_C_EXIT Lets the debugger know the user hit Ctrl-C. "},
      {0xC0000142u, "EXCEPTION_DLL_Initialisation_Failure raised when DllMain() returns false (?)"},
      {0x80000003u, "BREAKPOINT A breakpoint was encountered."},
      {0xC00000FDu, "Stack overflow.Can occur during errant recursion, or when a function creates a particularly large array on the stack."},
  };
  for (const auto& c : cases) {
    std::string expected = std::string("Zeile 42: \x0A\x0D") + c.description;
    EXPECT_EQ(app::ErrorMessageText(42, c.code), expected) << std::hex << c.code;
  }
}

TEST(ErrorText, UnknownCodesAndMissingLine) {
  EXPECT_STREQ(app::ExceptionDescription(0xE06D7363u), "UNKNOWN Error");
  EXPECT_STREQ(app::ExceptionDescription(0xC0000006u), "UNKNOWN Error");
  EXPECT_EQ(app::ErrorMessageText(-1, 0xC0000094u), "Zeile -1: \n\rAttempted division by zero");
}

}  // namespace
