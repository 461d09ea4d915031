// Stand-ins for parts of the C++ runtime that trovanto.exe would otherwise
// carry without any use: linked into the program only (the tests keep the
// runtime as it comes). Every byte of the program is read from the stick at
// each start, and these are over 100 KB of the static runtime.
//
// The runtime's own versions of the __throw_* helpers sit together in one
// archive member with every standard exception class, which in turn brings in
// the reference-counted string of the old ABI, error categories and their
// message tables. Nothing in the program catches those exceptions: only
// std::bad_alloc is caught (by the preference module), so a logic or range
// error ends the program through std::terminate just as the uncaught
// exception did, and the error trap reports it. All of the member's helpers
// are defined here, or the linker would pull it in for the first one missing
// and fail on the duplicates.
#include <bits/functexcept.h>

#include <cstdlib>
#include <exception>
#include <new>

namespace __gnu_cxx {

// The runtime's default handler names the exception's type on the console,
// which links in the whole symbol demangler (about 50 KB). The launcher
// installs its own handler first thing; before that, ending is all there is.
void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
// A container or string asked to grow past max_size(): the memory it asks
// for can never be had, so it fails as an allocation does, and the places
// that recover from running out of memory recover from this too.
void __throw_length_error(const char*) { throw bad_alloc(); }

void __throw_bad_exception() { std::terminate(); }
void __throw_bad_cast() { std::terminate(); }
void __throw_bad_typeid() { std::terminate(); }
void __throw_logic_error(const char*) { std::terminate(); }
void __throw_domain_error(const char*) { std::terminate(); }
void __throw_invalid_argument(const char*) { std::terminate(); }
void __throw_out_of_range(const char*) { std::terminate(); }
void __throw_out_of_range_fmt(const char*, ...) { std::terminate(); }
void __throw_runtime_error(const char*) { std::terminate(); }
void __throw_range_error(const char*) { std::terminate(); }
void __throw_overflow_error(const char*) { std::terminate(); }
void __throw_underflow_error(const char*) { std::terminate(); }
// A mutex that cannot be locked.
void __throw_system_error(int) { std::terminate(); }

}  // namespace std
