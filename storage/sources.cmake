# Portable sources (no <windows.h>): built natively and for Windows.
list(APPEND TROVANTO_CORE_SOURCES
  storage/file_shim.cpp
  storage/preference_file.cpp
  storage/line_counter.cpp
  storage/date_time.cpp
)
# Win32 sources.
list(APPEND TROVANTO_WIN_SOURCES
  storage/directory.cpp
  storage/launch.cpp
)
