#include "app/error_text.h"

namespace app {

namespace {
struct Description {
  uint32_t code;
  const char* text;
};

const Description kDescriptions[] = {
    {0x00000000u, "No Error"},
    {0x80000003u, "BREAKPOINT A breakpoint was encountered."},
    {0x80000004u, "SINGLE_STEP The CPU has signalled that one instruction has been executed.Only of interest to Debuggers"},
    {0xC0000005u, "An attemped read or write to/from an address to which that process isn't allowed"},
    {0xC0000008u, "INVALID_HANDLE The API call was passed a handle to a kernel object which was invalid -usually because that handle has already been closed."},
    {0xC000001Du, "Try to execute an invalid instruction -such as MMX opcodes on a non MMX system"},
    {0xC0000025u, "The exception filter returned EXCEPTION_CONTINUE_EXCEPTION when the exception raised isn't restartable"},
    {0xC0000026u, "INVALID_DISPOSITION Whatever number the exception filter returned, it wasn't a value the OS knows about."},
    {0xC000008Du, "FLOAT_DENORMAL_OPERAND One of the operands in a floating-point operation is too small to be represented in a floating-point value."},
    {0xC000008Eu, "FLOAT_DIVIDE_BY_ZERO The thread tried to divide a floating-point value by zero."},
    {0xC000008Fu, "FLOAT_INEXACT_RESULT The accuracy of the last floating point operation is worse than usual as it is impossible to represent in the float accurately,"},
    {0xC0000090u, "FLOAT_INVALID_OPERATION Any other floating-point exception."},
    {0xC0000091u, "FLOAT_OVERFLOW The result was too big to represent"},
    {0xC0000092u, "FLOAT_STACK_CHECK A floating point stack overflowed or underflow. This related to the baroque design of the floating point unit."},
    {0xC0000093u, "FLT_UNDERFLOW The result was too small to represent"},
    {0xC0000094u, "Attempted division by zero"},
    {0xC0000096u, "The instruction is not allowed in the current ring (inport, outport & control register manipulation usually)"},
    {0xC00000FDu, "Stack overflow.Can occur during errant recursion, or when a function creates a particularly large array on the stack."},
    {0xC000013Au, "CONTROL_C_EXIT Lets the debugger know the user hit Ctrl-C. "},
    {0xC0000142u, "EXCEPTION_DLL_Initialisation_Failure raised when DllMain() returns false (?)"},
};
}  // namespace

const char* ExceptionDescription(uint32_t code) {
  for (const auto& d : kDescriptions)
    if (d.code == code) return d.text;
  return "UNKNOWN Error";
}

std::string ErrorMessageText(int32_t line, uint32_t code) {
  std::string text = "Zeile ";
  text += std::to_string(line);
  text += ": \n\r";
  text += ExceptionDescription(code);
  return text;
}

}  // namespace app
