// Force-included into every C++ file of the Windows build (see CMakeLists).
// The standard library ships std::string and std::wstring instantiated in
// whole; a program that links them statically carries every member, since the
// unwind tables of the PE format keep each function alive that the linker
// would otherwise drop. Letting each file instantiate what it uses keeps only
// those members. This is the mode the library itself uses for its assertions.
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
