# What `cmake --install` puts where (GNUInstallDirs), in three components that become the three
# Debian packages of `make package`:
#   runtime  libtorva.so.0 (the library a host loads)
#   dev      the header, libtorva.so, torva.pc and the CMake package Torva (Torva::torva)
#   host     torva-host, its private Qt module, the fee standard GL.mgl and the project schema
include(CMakePackageConfigHelpers)

set(TORVA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Torva)
set(TORVA_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(TORVA_DATA_DIR ${CMAKE_INSTALL_DATADIR}/torva)
set(TORVA_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/torva)

install(TARGETS torva EXPORT TorvaTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/torva COMPONENT dev)
install(TARGETS torva-host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT host)
install(TARGETS torva-host-qt LIBRARY DESTINATION ${TORVA_MODULE_DIR} COMPONENT host)
install(FILES ${GL_MGL} data/project_schema.sql DESTINATION ${TORVA_DATA_DIR} COMPONENT host)

# The CMake package, relocatable: found wherever the prefix has been moved or staged.
install(EXPORT TorvaTargets NAMESPACE Torva:: DESTINATION ${TORVA_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(cmake/TorvaConfig.cmake.in
  ${CMAKE_BINARY_DIR}/cmake/TorvaConfig.cmake INSTALL_DESTINATION ${TORVA_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/cmake/TorvaConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/cmake/TorvaConfig.cmake
  ${CMAKE_BINARY_DIR}/cmake/TorvaConfigVersion.cmake DESTINATION ${TORVA_CMAKE_DIR} COMPONENT dev)

# torva.pc finds the prefix from its own place (pkgconf's pcfiledir), so it is relocatable too.
file(RELATIVE_PATH TORVA_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" TORVA_PC_TO_PREFIX "${TORVA_PC_TO_PREFIX}")
configure_file(cmake/torva.pc.in ${CMAKE_BINARY_DIR}/cmake/torva.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/cmake/torva.pc DESTINATION ${TORVA_PKGCONFIG_DIR} COMPONENT dev)

include(cmake/TorvaPackage.cmake)
