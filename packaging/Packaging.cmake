# Presets, installation and the Debian package: included at the end of the top
# CMakeLists.txt, when every target it installs is known.

# The VST 2 program files of the factory presets, build/presets/vst2/*.fxp,
# saved from the module itself. A cross build cannot run the writer and leaves
# them out.
set(TAPESTRUM_VST2_PRESETS ${CMAKE_BINARY_DIR}/presets/vst2)
if(NOT CMAKE_CROSSCOMPILING AND NOT WIN32)
  add_executable(vst2_preset_writer ${CMAKE_CURRENT_LIST_DIR}/Vst2PresetWriter.cpp)
  target_link_libraries(vst2_preset_writer PRIVATE tapestrum_render tapestrum_effect)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/presets/vst2.stamp
    COMMAND vst2_preset_writer $<TARGET_FILE:tapestrum> ${TAPESTRUM_VST2_PRESETS}
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/presets/vst2.stamp
    DEPENDS vst2_preset_writer tapestrum
    COMMENT "Writing the factory presets as VST 2 program files")
  add_custom_target(tapestrum_vst2_presets ALL DEPENDS ${CMAKE_BINARY_DIR}/presets/vst2.stamp)
endif()

# The factory presets, read back from the files the build wrote.
if(TAPESTRUM_TESTS AND TARGET vst2_preset_writer AND TARGET tapestrum_lv2)
  tapestrum_test(preset_file_tests ${PROJECT_SOURCE_DIR}/tests/packaging/PresetFilesTest.cpp)
  add_dependencies(preset_file_tests tapestrum_vst2_presets tapestrum_lv2)
  target_compile_definitions(preset_file_tests PRIVATE
    VST2_PRESET_DIR="${TAPESTRUM_VST2_PRESETS}"
    LV2_BUNDLE_PATH="$<TARGET_FILE_DIR:tapestrum_lv2>")
endif()
