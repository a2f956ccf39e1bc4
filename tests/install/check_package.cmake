# Builds the Debian package as a packager would (cpack -G DEB) and checks it: every dependency
# named once, no error or warning from Debian's lintian, and the AppStream metadata valid in the
# installed tree, beside the desktop entry it launches. Where lintian or appstreamcli is missing
# the rest still runs and the test is reported as skipped.
#   cmake -DCPACK=... -DBUILD_DIR=... -DWORK=... -P check_package.cmake
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DESTDIR
                        ${CPACK} -G DEB -B ${WORK} --config ${BUILD_DIR}/CPackConfig.cmake
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB package ${WORK}/*.deb)
if(NOT status EQUAL 0 OR NOT package)
  message(FATAL_ERROR "cpack -G DEB failed (${status}):\n${out}")
endif()

execute_process(COMMAND dpkg-deb --field ${package} Depends OUTPUT_VARIABLE depends COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "\\([^)]*\\)|[ \n]" "" names "${depends}")
string(REPLACE "," ";" names "${names}")
set(unique ${names})
list(REMOVE_DUPLICATES unique)
if(NOT names STREQUAL unique)
  message(FATAL_ERROR "Depends names a package more than once: ${depends}")
endif()

set(missing)
find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --fail-on error,warning ${package}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR out MATCHES "(^|\n)[EW]: ")
    message(FATAL_ERROR "lintian (${status}):\n${out}${err}")
  endif()
else()
  list(APPEND missing "lintian (Debian package lintian)")
endif()

find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND dpkg-deb --extract ${package} ${WORK}/tree COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${APPSTREAMCLI} validate-tree --no-net ${WORK}/tree
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate-tree (${status}):\n${out}")
  endif()
else()
  list(APPEND missing "appstreamcli (Debian package appstream)")
endif()

if(missing)
  list(JOIN missing ", " missing)
  message("Skipped: not installed: ${missing}; the package was built and its Depends checked")
endif()
