# `make package`: three Debian packages from the install components, their dependencies computed from
# the binaries by dpkg-shlibdeps (a library the code starts to link is picked up without an edit
# here), stripped as dh_strip strips. `make package` compiles them with Debian's hardening flags.
#   libtorva0      runtime (the library, with its shlibs and symbols files and the ldconfig trigger)
#   libtorva-dev   dev
#   torva-host     host (the program, its Qt module, the fee standard)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TORVA")
set(CPACK_PACKAGE_CONTACT "TORVA developers <torva@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
# cmake/debian/strip.cmake strips instead, as Debian does.
set(CPACK_STRIP_FILES OFF)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian/strip.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian/no-ldconfig-scripts.cmake)
set(CPACK_COMPONENTS_ALL runtime dev host)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libtorva${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The window and the report are all Chinese: the Song (Ming) face they ask for first, else another
# face they name. Without any, every character is an empty box.
set(TORVA_CHINESE_FACES "fonts-arphic-uming | fonts-noto-cjk | fonts-wqy-zenhei")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS ${TORVA_CHINESE_FACES})
# The shlibs and symbols files tell packages built against libtorva which package provides it, and
# from which version on each symbol; the trigger runs ldconfig once after every package of a dpkg
# run is unpacked (no maintainer script does).
configure_file(cmake/debian/shlibs.in ${CMAKE_BINARY_DIR}/package-doc/shlibs @ONLY)
configure_file(cmake/debian/symbols.in ${CMAKE_BINARY_DIR}/package-doc/symbols @ONLY)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/package-doc/shlibs
  ${CMAKE_BINARY_DIR}/package-doc/symbols ${CMAKE_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "audit information form of a construction project - library
libtorva shows the audit information form of a telecommunication construction
project for a host program that calls OpenForm, keeps its fields in the
project database and recalculates the fees as the auditor types.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libtorva-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
  "libtorva${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})")
set(CPACK_COMPONENT_DEV_DESCRIPTION "audit information form of a construction project - development files
The header torva/torva.h, the pkg-config file torva.pc and the CMake package
Torva (Torva::torva) for building a host program against libtorva.")

set(CPACK_DEBIAN_HOST_PACKAGE_NAME torva-host)
set(CPACK_DEBIAN_HOST_PACKAGE_SECTION misc)
# Its Qt module draws the snapshots and the report itself.
set(CPACK_DEBIAN_HOST_PACKAGE_DEPENDS
  "libtorva${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}), ${TORVA_CHINESE_FACES}")
set(CPACK_COMPONENT_HOST_DESCRIPTION "audit information form of a construction project - host program
torva-host opens the audit form of a project database, replays scripted user
actions, renders the form's pages and writes the audit report. The package
holds the fee standard (GL.mgl) the form reads.")

# Every package carries its copyright file and changelog where Debian expects them (gzip -n: the same
# bytes at every build). Installed only by the packages' own component installs. The changelog is
# dated by the build (SOURCE_DATE_EPOCH when set, for a reproducible build); both name the same
# contact as the packages' Maintainer field.
string(TIMESTAMP TORVA_BUILD_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(TORVA_CONTACT ${CPACK_PACKAGE_CONTACT})
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/copyright ${CMAKE_BINARY_DIR}/package-doc/copyright @ONLY)
function(torva_gzip source output)
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${output} COMMAND_ERROR_IS_FATAL ANY)
endfunction()
foreach(component runtime dev host)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  set(doc ${CMAKE_BINARY_DIR}/package-doc/${package})
  file(MAKE_DIRECTORY ${doc})
  configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${doc}/changelog.Debian @ONLY)
  torva_gzip(${doc}/changelog.Debian ${doc}/changelog.Debian.gz)
  install(FILES ${CMAKE_BINARY_DIR}/package-doc/copyright ${doc}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/lintian-overrides.in ${doc}/lintian-overrides @ONLY)
  install(FILES ${doc}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
    RENAME ${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
torva_gzip(${CMAKE_SOURCE_DIR}/cmake/debian/torva-host.1 ${CMAKE_BINARY_DIR}/package-doc/torva-host.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/package-doc/torva-host.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT host)

include(CPack)
