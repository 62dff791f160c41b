# SPDX-License-Identifier: ISC
# Stand-ins for the editor's view and platform window until their branches are
# merged; the merge replaces this file.
add_library(tapestrum_editor STATIC editor/EditorViewPlaceholder.cpp)
tapestrum_layer(tapestrum_editor editor)
target_link_libraries(tapestrum_editor PUBLIC tapestrum_core)
add_library(tapestrum_editor_window STATIC editor/EditorWindowPlaceholder.cpp)
target_link_libraries(tapestrum_editor_window PUBLIC tapestrum_editor)
if(WIN32)
  target_link_libraries(tapestrum_editor_window PUBLIC user32 gdi32)
else()
  find_package(X11 REQUIRED)
  target_link_libraries(tapestrum_editor_window PUBLIC X11::X11)
endif()
