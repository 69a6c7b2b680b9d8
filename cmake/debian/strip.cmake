# Run by CPack on the staged files before it makes the packages: every ELF file stripped as Debian's
# dh_strip strips it (no symbol table, no .comment and .note sections; shared objects keep only the
# symbols they need). The debugging information stays in the build tree.
find_program(TORVA_STRIP NAMES strip REQUIRED)
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  set(options --remove-section=.comment --remove-section=.note)
  if(file MATCHES "\\.so(\\.[0-9]+)*$")
    list(APPEND options --strip-unneeded)
  endif()
  execute_process(COMMAND ${TORVA_STRIP} ${options} "${file}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
