# SPDX-License-Identifier: ISC
# Run by CPack after it has made the Debian package. CPack gives a package
# maintainer scripts that call ldconfig whenever a shared object lies in a
# folder of /usr/lib, as the VST 2 module in /usr/lib/vst does; but plug-ins are
# not on the loader's path, so the scripts do nothing useful, and without them
# removing the package leaves nothing behind, not even its scripts. The package
# is rebuilt without them.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${CPACK_TOPLEVEL_DIRECTORY}/unpacked-deb")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${deb}" "${tree}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot unpack ${deb}")
  endif()
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip -b "${tree}" "${deb}"
    OUTPUT_QUIET RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot rebuild ${deb}")
  endif()
  file(REMOVE_RECURSE "${tree}")
endforeach()
