# Portable sources (no <windows.h>): built natively and for Windows.
list(APPEND TROVANTO_CORE_SOURCES
)
# Win32 sources.
list(APPEND TROVANTO_WIN_SOURCES
  ui/windows.cpp
  ui/menus.cpp
  ui/tray.cpp
  ui/fonts.cpp
  ui/events.cpp
  ui/timer.cpp
  ui/standard_dialogs.cpp
)
