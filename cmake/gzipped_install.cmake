# korvix_install_gzipped(FILE DESTINATION): installs FILE (relative to the current source folder)
# into DESTINATION as FILE.gz, compressed at build time as Debian keeps manual pages and
# changelogs: gzip -9n, the best compression and no name or time stamp, so that the same source
# gives the same bytes.
include_guard(GLOBAL)
find_program(KORVIX_GZIP gzip REQUIRED)

function(korvix_install_gzipped file destination)
  get_filename_component(source ${file} ABSOLUTE)
  get_filename_component(name ${file} NAME)
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  add_custom_command(
    OUTPUT ${compressed}
    COMMAND ${KORVIX_GZIP} -9nc ${source} > ${compressed}
    DEPENDS ${source})
  string(MAKE_C_IDENTIFIER ${name} target)
  add_custom_target(korvix_gzip_${target} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${destination})
endfunction()
