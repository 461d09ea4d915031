# Writes libpng's pnglibconf.h for the options in cmake/png_read_only.dfa, the
# way libpng's own build does it (scripts/pnglibconf.mak): awk resolves the
# options and their dependencies, the C preprocessor and awk again turn them
# into the header. What libpng cannot do then is not compiled at all, so the
# program carries no writer, no simplified API and no deflate.
#   trovanto_png_config(SOURCE_DIR OUTPUT_DIR)
function(trovanto_png_config src out)
  set(dfa ${CMAKE_SOURCE_DIR}/cmake/png_read_only.dfa)
  set(header ${out}/pnglibconf.h)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${dfa} ${src}/scripts/pnglibconf.dfa)
  # Regenerated only when an input is newer, so that libpng is not rebuilt
  # at every configure.
  if(EXISTS ${header} AND NOT ${dfa} IS_NEWER_THAN ${header} AND NOT ${src}/scripts/pnglibconf.dfa IS_NEWER_THAN ${header})
    return()
  endif()
  find_program(TROVANTO_AWK NAMES awk gawk mawk nawk REQUIRED)
  set(work ${out}/config)
  file(MAKE_DIRECTORY ${work})
  execute_process(
      COMMAND ${TROVANTO_AWK} -f ${src}/scripts/options.awk out=pnglibconf.pre version=search
              ${src}/pngconf.h ${src}/scripts/pnglibconf.dfa ${dfa}
      WORKING_DIRECTORY ${work} RESULT_VARIABLE r1 ERROR_VARIABLE e1)
  execute_process(
      COMMAND ${TROVANTO_AWK} -f ${src}/scripts/options.awk out=pnglibconf.dfn pnglibconf.pre
      WORKING_DIRECTORY ${work} RESULT_VARIABLE r2 ERROR_VARIABLE e2)
  file(WRITE ${work}/pnglibconf.c "#include \"pnglibconf.dfn\"\n")
  execute_process(
      COMMAND ${CMAKE_C_COMPILER} -E -I. pnglibconf.c
      WORKING_DIRECTORY ${work} RESULT_VARIABLE r3 OUTPUT_FILE ${work}/pnglibconf.out ERROR_VARIABLE e3)
  execute_process(
      COMMAND ${TROVANTO_AWK} -f ${src}/scripts/dfn.awk out=pnglibconf.h pnglibconf.out
      WORKING_DIRECTORY ${work} RESULT_VARIABLE r4 ERROR_VARIABLE e4)
  if(NOT r1 EQUAL 0 OR NOT r2 EQUAL 0 OR NOT r3 EQUAL 0 OR NOT r4 EQUAL 0 OR NOT EXISTS ${work}/pnglibconf.h)
    message(FATAL_ERROR "pnglibconf.h could not be made from ${dfa}:\n${e1}${e2}${e3}${e4}")
  endif()
  file(COPY_FILE ${work}/pnglibconf.h ${header})
endfunction()
