# Portable sources (no <windows.h>): built natively and for Windows.
list(APPEND TROVANTO_CORE_SOURCES
  ui/image_headers.cpp
)
# Win32 sources.
list(APPEND TROVANTO_WIN_SOURCES
  ui/images.cpp
  ui/png_decoder.cpp
  ui/drawing.cpp
  ui/windows.cpp
  ui/menus.cpp
  ui/tray.cpp
  ui/fonts.cpp
  ui/events.cpp
  ui/timer.cpp
  ui/standard_dialogs.cpp
)
