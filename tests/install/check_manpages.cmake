# Renders the built manual pages as `man` shows them on an 80-column terminal, with groff's
# warnings on, and checks that nothing is reported and that the hand-written sections made it in.
#   cmake -DMAN_DIR=... -P check_manpages.cmake
find_program(MAN man)
if(NOT MAN)
  message("Skipped: man is not installed (Debian package man-db)")
  return()
endif()
foreach(program vortane-eval vortane-cli)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env MANROFFSEQ= MANWIDTH=80 LC_ALL=C.UTF-8
                          ${MAN} --warnings -E UTF-8 -l ${MAN_DIR}/${program}.1.gz
                  RESULT_VARIABLE status OUTPUT_VARIABLE page ERROR_VARIABLE warnings)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "${program}.1 does not render cleanly (${status}):\n${warnings}")
  endif()
  foreach(expected "\nNAME\n +${program} - [a-z]" "\nOPTIONS\n" "\nFILES\n" "\nEXAMPLES\n +${program}"
                   "\nSEE ALSO\n")
    if(NOT page MATCHES "${expected}")
      message(FATAL_ERROR "${program}.1 lacks '${expected}'")
    endif()
  endforeach()
endforeach()
