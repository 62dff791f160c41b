# SPDX-License-Identifier: ISC
# Presets, installation and the Debian package: included at the end of the top
# CMakeLists.txt, when every target it installs is known. Linux only: the
# Windows builds are copied into a host's folder by hand.
if(WIN32)
  return()
endif()

# The VST 2 program files of the factory presets, build/presets/vst2/*.fxp,
# saved from the module itself. A cross build cannot run the writer and leaves
# them out.
set(TAPESTRUM_VST2_PRESETS ${CMAKE_BINARY_DIR}/presets/vst2)
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(vst2_preset_writer ${CMAKE_CURRENT_LIST_DIR}/Vst2PresetWriter.cpp)
  target_link_libraries(vst2_preset_writer PRIVATE tapestrum_render tapestrum_core)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/presets/vst2.stamp
    COMMAND vst2_preset_writer $<TARGET_FILE:tapestrum> ${TAPESTRUM_VST2_PRESETS}
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/presets/vst2.stamp
    DEPENDS vst2_preset_writer tapestrum
    COMMENT "Writing the factory presets as VST 2 program files")
  add_custom_target(tapestrum_vst2_presets ALL DEPENDS ${CMAKE_BINARY_DIR}/presets/vst2.stamp)
endif()

# The VST 3 preset files of the factory presets, build/presets/vst3/*.vstpreset,
# where the VST 3 bundle is built. Linux only, like the VST 2 ones.
set(TAPESTRUM_VST3_PRESETS ${CMAKE_BINARY_DIR}/presets/vst3)
if(NOT CMAKE_CROSSCOMPILING AND TARGET tapestrum_vst3)
  add_executable(vst3_preset_writer ${CMAKE_CURRENT_LIST_DIR}/Vst3PresetWriter.cpp)
  target_link_libraries(vst3_preset_writer PRIVATE tapestrum_vst3_face)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/presets/vst3.stamp
    COMMAND vst3_preset_writer ${TAPESTRUM_VST3_PRESETS}
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/presets/vst3.stamp
    DEPENDS vst3_preset_writer
    COMMENT "Writing the factory presets as VST 3 preset files")
  add_custom_target(tapestrum_vst3_presets ALL DEPENDS ${CMAKE_BINARY_DIR}/presets/vst3.stamp)
endif()

# The factory presets, read back from the files the build wrote; the VST 3 ones
# through the built VST 3 bundle.
if(TAPESTRUM_TESTS AND TARGET vst2_preset_writer AND TARGET tapestrum_lv2)
  include(GoogleTest)
  tapestrum_test(preset_file_tests ${PROJECT_SOURCE_DIR}/tests/packaging/PresetFilesTest.cpp)
  add_dependencies(preset_file_tests tapestrum_vst2_presets tapestrum_lv2)
  target_compile_definitions(preset_file_tests PRIVATE
    VST2_PRESET_DIR="${TAPESTRUM_VST2_PRESETS}"
    LV2_BUNDLE_PATH="$<TARGET_FILE_DIR:tapestrum_lv2>")
  if(TARGET tapestrum_vst3_presets)
    target_sources(preset_file_tests PRIVATE
      ${PROJECT_SOURCE_DIR}/tests/packaging/Vst3PresetFilesTest.cpp)
    target_link_libraries(preset_file_tests PRIVATE vst3_test_host)
    add_dependencies(preset_file_tests tapestrum_vst3_presets tapestrum_vst3)
    target_compile_definitions(preset_file_tests PRIVATE
      VST3_PRESET_DIR="${TAPESTRUM_VST3_PRESETS}"
      TAPESTRUM_VST3_BUNDLE="${CMAKE_BINARY_DIR}/tapestrum.vst3")
  endif()
endif()

# cmake --install build [--prefix P] (P is /usr/local unless told; DESTDIR is
# honoured). Plug-ins go where Linux hosts look for them, P/lib/vst, P/lib/lv2,
# P/lib/vst3 and P/lib/clap: those folders have no multiarch variant, so they
# are named literally rather than through CMAKE_INSTALL_LIBDIR. The manual page
# and the changelog are installed compressed, as Debian keeps them, so that the
# Debian package holds exactly what an install does.
include(GNUInstallDirs)
set(TAPESTRUM_PLUGIN_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(TAPESTRUM_PACKAGE_MAINTAINER "tapestrum developers <tapestrum@example.org>"
  CACHE STRING "The Maintainer field of the Debian package and its changelog")

install(TARGETS tapestrum LIBRARY DESTINATION lib/vst PERMISSIONS ${TAPESTRUM_PLUGIN_PERMISSIONS})
if(TARGET tapestrum_lv2)
  install(TARGETS tapestrum_lv2 LIBRARY DESTINATION lib/lv2/tapestrum.lv2
    PERMISSIONS ${TAPESTRUM_PLUGIN_PERMISSIONS})
  install(FILES
    ${CMAKE_BINARY_DIR}/tapestrum.lv2/manifest.ttl
    ${CMAKE_BINARY_DIR}/tapestrum.lv2/tapestrum.ttl
    ${CMAKE_BINARY_DIR}/tapestrum.lv2/presets.ttl
    ${CMAKE_BINARY_DIR}/tapestrum.lv2/tapestrum-stereo.ttl
    ${CMAKE_BINARY_DIR}/tapestrum.lv2/presets-stereo.ttl
    DESTINATION lib/lv2/tapestrum.lv2)
  # The editor, a binary of its own (the plug-in's own links no X library).
  install(TARGETS tapestrum_lv2_ui LIBRARY DESTINATION lib/lv2/tapestrum.lv2
    PERMISSIONS ${TAPESTRUM_PLUGIN_PERMISSIONS})
  install(FILES ${CMAKE_BINARY_DIR}/tapestrum.lv2/tapestrum_ui.ttl DESTINATION lib/lv2/tapestrum.lv2)
endif()
# The VST 3 bundle: its data files as the build laid them out, and its binary
# as a target of its own, so that a stripped install strips it.
if(TARGET tapestrum_vst3)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/tapestrum.vst3 DESTINATION lib/vst3
    PATTERN "*.so" EXCLUDE)
  install(TARGETS tapestrum_vst3 LIBRARY
    DESTINATION lib/vst3/tapestrum.vst3/Contents/${CMAKE_SYSTEM_PROCESSOR}-linux
    PERMISSIONS ${TAPESTRUM_PLUGIN_PERMISSIONS})
endif()
if(TARGET tapestrum_clap)
  install(TARGETS tapestrum_clap LIBRARY DESTINATION lib/clap
    PERMISSIONS ${TAPESTRUM_PLUGIN_PERMISSIONS})
endif()
if(TARGET tapestrum_tool)
  install(TARGETS tapestrum_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET tapestrum_vst2_presets)
  install(DIRECTORY ${TAPESTRUM_VST2_PRESETS}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tapestrum/presets/vst2
    FILES_MATCHING PATTERN "*.fxp")
endif()
# The VST 3 presets go straight where hosts' preset browsers look for a
# plug-in's presets for every user, share/vst3/presets/VENDOR/PLUGIN NAME, with
# the names the factory tells hosts (core/EffectIdentity.h).
if(TARGET tapestrum_vst3_presets)
  file(STRINGS ${PROJECT_SOURCE_DIR}/core/EffectIdentity.h identity
    REGEX "k(Effect|Vendor)Name = \"")
  string(REGEX MATCH "kVendorName = \"([^\"]+)\"" found "${identity}")
  set(vendor "${CMAKE_MATCH_1}")
  string(REGEX MATCH "kEffectName = \"([^\"]+)\"" found "${identity}")
  set(TAPESTRUM_VST3_PRESET_FOLDER "vst3/presets/${vendor}/${CMAKE_MATCH_1}")
  install(DIRECTORY ${TAPESTRUM_VST3_PRESETS}/
    DESTINATION "${CMAKE_INSTALL_DATADIR}/${TAPESTRUM_VST3_PRESET_FOLDER}"
    FILES_MATCHING PATTERN "*.vstpreset")
endif()

set(compressed ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${compressed}/changelog @ONLY)
add_custom_command(
  OUTPUT ${compressed}/tapestrum.1.gz ${compressed}/changelog.gz
  COMMAND sh -c "gzip -9n -c '${PROJECT_SOURCE_DIR}/man/tapestrum.1' > tapestrum.1.gz"
  COMMAND sh -c "gzip -9n -c changelog > changelog.gz"
  WORKING_DIRECTORY ${compressed}
  VERBATIM
  DEPENDS ${PROJECT_SOURCE_DIR}/man/tapestrum.1 ${compressed}/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(tapestrum_compressed_docs ALL
  DEPENDS ${compressed}/tapestrum.1.gz ${compressed}/changelog.gz)
install(FILES ${compressed}/tapestrum.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tapestrum.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tapestrum)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_LIST_DIR}/copyright
  ${compressed}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The README's pictures, where its links find them.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
  FILES_MATCHING PATTERN "*.png")

# The Debian package: cmake --build build --target package writes
# build/tapestrum_<version>_<arch>.deb from a stripped install into /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tapestrum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "spectral delay and looper plug-in (VST 2, VST 3, CLAP, LV2)")
# CPack puts the summary first and starts each line with a space; an empty
# line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "tapestrum records the spectrum of its input, bin by bin, onto a circular
track of up to 3.5 s that a write head runs over forward or backward, and
resynthesises each hop from the magnitudes of the present and the
frequencies of a delayed frame, or the other way round. Recording only
happens above a gate and within a band of frequencies, so the track plays as
a loop.

This package holds the effect as a VST 2 module, a VST 3 bundle, a CLAP
plug-in and an LV2 bundle; its eight factory presets for each of them (VST 2
program files, VST 3 preset files, LV2 presets); and the offline host
tapestrum, which renders audio files through the effect and validates VST 2
modules. The VST 3, CLAP and LV2 plug-ins also run in stereo with a linked
gate, and have an editor that shows the recorded loop, its heads, the
recorded band and the gate beside the controls and the presets. The Python
module is in the package python3-tapestrum.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAPESTRUM_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The package's dependencies are read from its binaries: besides the C and C++
# libraries, libx11-6 for the editors of the VST 3 bundle, the CLAP plug-in
# and the LV2 UI (the VST 2 module and the LV2 plug-in itself need no X).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DropLdconfigScripts.cmake)
# The Python module is a second package, python3-tapestrum, made from the
# install's "python" component (everything else is the unnamed one). It links
# the effect in and needs nothing of the first package: only Debian's Python 3
# of the version it was built for, and numpy.
if(TARGET tapestrum_python)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${compressed}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-tapestrum COMPONENT python)
  list(GET TAPESTRUM_PYTHON_VERSION 0 major)
  list(GET TAPESTRUM_PYTHON_VERSION 1 minor)
  math(EXPR next_minor "${minor} + 1")
  set(python_install_test ${major}.${minor} $<TARGET_FILE_NAME:tapestrum_python>)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL Unspecified python)
  set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME tapestrum)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-tapestrum)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${major}.${minor}~), python3 (<< ${major}.${next_minor}), python3-numpy, python3-numpy-abi9")
  # Each package's description starts with its own summary line, so the
  # summary common to all packages is left to CPack's default, which it does
  # not prepend.
  set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION
    "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
  unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "spectral delay and looper effect for Python 3 and numpy
tapestrum records the spectrum of its input, bin by bin, onto a circular
track that a write head runs over, and resynthesises each hop from a present
and a delayed frame; recording only happens above a gate and within a band of
frequencies, so the track plays as a loop.

This package holds the Python 3 module tapestrum: the effect, mono or linked
stereo, over numpy arrays, with its parameters, texts, factory presets and
saved state.")
endif()
include(CPack)

# An install into a scratch folder holds exactly what it should, and runs.
# Debian's LV2 tools cannot load a sanitized bundle, so sanitizer builds leave
# this to the plain one.
find_program(TAPESTRUM_LV2INFO lv2info)
if(TAPESTRUM_TESTS AND TARGET tapestrum_tool AND TARGET tapestrum_lv2 AND TAPESTRUM_LV2INFO
   AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  add_test(NAME install_tree
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/packaging/install-test.sh
      ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} $<TARGET_EXISTS:tapestrum_vst3> $<TARGET_EXISTS:tapestrum_clap>
      ${python_install_test})
endif()

# The manual page names every command and option the tool's help shows.
if(TAPESTRUM_TESTS AND TARGET tapestrum_tool)
  add_test(NAME man_page_options
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/packaging/man-page-test.sh
      $<TARGET_FILE:tapestrum_tool> ${PROJECT_SOURCE_DIR}/man/tapestrum.1)
endif()
