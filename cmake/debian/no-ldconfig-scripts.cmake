# Run by CPack on the packages it made. For a package with a shared library in /usr/lib CPack adds
# postinst and postrm scripts that only call ldconfig, which Debian's ldconfig trigger (our
# triggers file) does once for a whole dpkg run; such a package is rebuilt without them.
find_program(TORVA_DPKG_DEB NAMES dpkg-deb REQUIRED)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND ${TORVA_DPKG_DEB} --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  set(rebuild FALSE)
  foreach(script postinst postrm)
    set(path "${tree}/DEBIAN/${script}")
    if(EXISTS "${path}")
      file(READ "${path}" text)
      string(REGEX REPLACE "#![^\n]*\n|set -e\n|if \\[ \"\\$1\" = \"[a-z]+\" \\]; then\n|[\t ]*ldconfig\n|fi\n|\n"
        "" rest "${text}")
      if(rest STREQUAL "")
        file(REMOVE "${path}")
        set(rebuild TRUE)
      endif()
    endif()
  endforeach()
  if(rebuild)
    execute_process(COMMAND ${TORVA_DPKG_DEB} --root-owner-group --build "${tree}" "${deb}"
      OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(REMOVE_RECURSE "${tree}")
endforeach()
