# Portable sources (no <windows.h>): built natively and for Windows.
list(APPEND TROVANTO_CORE_SOURCES
  settings/settings.cpp
  settings/shift_text.cpp
  settings/alignment.cpp
)
# Win32 sources.
list(APPEND TROVANTO_WIN_SOURCES
  settings/settings_store.cpp
  settings/skins.cpp
  settings/settings_dialog.cpp
  settings/password_prompt.cpp
  settings/info_dialog.cpp
)
