# Installs the build into a staging root (DESTDIR, so the udev rule's absolute folder lands there
# too) and checks that every file the program needs is where it looks for it, that the udev rule
# lets both the user at the seat and the plugdev group use the board, and that the installed
# command-line tool starts through its link.
#   cmake -DBUILD_DIR=... -DSTAGE=... -P check_install.cmake
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(path usr/lib/vortane/vortane-eval usr/lib/vortane/vortane-cli usr/lib/vortane/VORTANEHelp.htm
             usr/bin/vortane-eval usr/bin/vortane-cli usr/share/applications/vortane-eval.desktop
             usr/share/icons/hicolor/scalable/apps/vortane-eval.svg
             usr/share/metainfo/com.heldrix.vortane_eval.metainfo.xml
             usr/share/man/man1/vortane-eval.1.gz usr/share/man/man1/vortane-cli.1.gz
             usr/share/doc/vortane-eval/copyright usr/share/doc/vortane-eval/changelog.gz
             etc/udev/rules.d/60-vortane.rules)
  if(NOT EXISTS ${STAGE}/${path})
    message(FATAL_ERROR "not installed: /${path}")
  endif()
endforeach()
# The package's copy of the rule is only for the package: udev would not read it under /usr/local.
if(EXISTS ${STAGE}/usr/lib/udev)
  message(FATAL_ERROR "cmake --install put a udev rule in /usr/lib/udev, beside the one in /etc")
endif()

file(STRINGS ${STAGE}/etc/udev/rules.d/60-vortane.rules rules REGEX "^SUBSYSTEM")
list(LENGTH rules count)
if(NOT count EQUAL 2)
  message(FATAL_ERROR "the udev rule should match the board's two pairs of IDs, not ${count}")
endif()
foreach(rule IN LISTS rules)
  if(NOT rule MATCHES "TAG\\+=\"uaccess\"" OR NOT rule MATCHES "GROUP=\"plugdev\", MODE=\"0660\"")
    message(FATAL_ERROR "a udev rule without both the seat's access and the plugdev group: ${rule}")
  endif()
endforeach()

execute_process(COMMAND ${STAGE}/usr/bin/vortane-cli --help RESULT_VARIABLE status OUTPUT_VARIABLE out)
if(NOT status EQUAL 0 OR NOT out MATCHES "vortane-cli")
  message(FATAL_ERROR "the installed vortane-cli does not start: ${status}")
endif()
