# The SQLite backend: its sources in the core, its client library, and the project schema that
# --init applies (generated from data/project_schema.sql).
file(READ ${CMAKE_SOURCE_DIR}/data/project_schema.sql TORVA_PROJECT_SCHEMA)
configure_file(${CMAKE_CURRENT_LIST_DIR}/project_schema.h.in
  ${CMAKE_BINARY_DIR}/generated/sqlite/project_schema.h @ONLY)
file(GLOB TORVA_SQLITE_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cc)
target_sources(torva_core PRIVATE ${TORVA_SQLITE_SOURCES})
target_include_directories(torva_core PRIVATE ${CMAKE_BINARY_DIR}/generated/sqlite)
target_link_libraries(torva_core PUBLIC SQLite::SQLite3)
