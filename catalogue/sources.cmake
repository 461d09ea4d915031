# Portable sources (no <windows.h>): built natively and for Windows.
list(APPEND TROVANTO_CORE_SOURCES
  catalogue/catalogue.cpp
  catalogue/text_ops.cpp
)
# Win32 sources.
list(APPEND TROVANTO_WIN_SOURCES
  catalogue/catalogue_store.cpp
  catalogue/program_list.cpp
  catalogue/add_change_dialog.cpp
  catalogue/remove_dialog.cpp
)
