# The PostgreSQL backend: the project database on a server, through libpq (the one place that
# includes libpq-fe.h).
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
target_sources(torva_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pg_connection.cc
  ${CMAKE_CURRENT_LIST_DIR}/pg_dialect.cc
  ${CMAKE_CURRENT_LIST_DIR}/pg_failure.cc
  ${CMAKE_CURRENT_LIST_DIR}/pg_result.cc
  ${CMAKE_CURRENT_LIST_DIR}/pg_uri.cc)
target_link_libraries(torva_core PUBLIC PkgConfig::LIBPQ)
