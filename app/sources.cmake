# Portable sources (no <windows.h>): built natively and for Windows.
list(APPEND TROVANTO_CORE_SOURCES
  app/placement.cpp
  app/gauge.cpp
  app/error_text.cpp
)
# Win32 sources.
list(APPEND TROVANTO_WIN_SOURCES
  app/launcher.cpp
  app/main_loop.cpp
  app/main_window.cpp
  app/status_strip.cpp
  app/docking.cpp
  app/error_trap.cpp
  app/process_guard.cpp
)
