# Portable sources (no <windows.h>): built natively and for Windows.
list(APPEND TROVANTO_CORE_SOURCES
  ui/image_headers.cpp
  ui/resample.cpp
)
# Win32 sources.
list(APPEND TROVANTO_WIN_SOURCES
  ui/images.cpp
  ui/png_decoder.cpp
  ui/drawing.cpp
  ui/windows.cpp
  ui/wide_text.cpp
  ui/menus.cpp
  ui/tray.cpp
  ui/fonts.cpp
  ui/displays.cpp
  ui/events.cpp
  ui/file_drop.cpp
  ui/timer.cpp
  ui/system_library.cpp
  ui/standard_dialogs.cpp
  ui/controls/control_list.cpp
  ui/controls/common_controls.cpp
  ui/controls/brush_cache.cpp
  ui/controls/image_button.cpp
  ui/controls/image_control.cpp
  ui/controls/text.cpp
  ui/controls/link_label.cpp
  ui/controls/edit_field.cpp
  ui/controls/icon_list.cpp
  ui/controls/text_list.cpp
  ui/controls/check_box.cpp
  ui/controls/option_button.cpp
  ui/controls/combo_box.cpp
  ui/controls/container.cpp
  ui/controls/frame.cpp
)
