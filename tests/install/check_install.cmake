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
             etc/udev/rules.d/60-vortane.rules etc/systemd/system/vortane-serve@.service
             usr/share/doc/vortane-eval/examples/bench.env usr/share/doc/vortane-eval/examples/prometheus.yml
             usr/share/doc/vortane-eval/examples/vortane-alerts.yml)
  if(NOT EXISTS ${STAGE}/${path})
    message(FATAL_ERROR "not installed: /${path}")
  endif()
endforeach()
# The package's copy of the rule is only for the package: udev would not read it under /usr/local.
if(EXISTS ${STAGE}/usr/lib/udev)
  message(FATAL_ERROR "cmake --install put a udev rule in /usr/lib/udev, beside the one in /etc")
endif()
if(EXISTS ${STAGE}/usr/lib/systemd)
  message(FATAL_ERROR "cmake --install put the service unit in /usr/lib/systemd, beside the one in /etc")
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

# The metrics service: one instance per bench, its board and address from /etc/vortane/NAME.env
# (the example names both), restarted when it fails (a lost link ends it with status 1), as a
# user of its own in the group the udev rule gives the board to.
set(unit ${STAGE}/etc/systemd/system/vortane-serve@.service)
file(STRINGS ${unit} lines REGEX "^[A-Za-z]+=")
file(STRINGS ${STAGE}/etc/udev/rules.d/60-vortane.rules rules REGEX "GROUP=")
list(GET rules 0 rule)
string(REGEX REPLACE ".*GROUP=\"([^\"]+)\".*" "\\1" udev_group "${rule}")
foreach(expected "EnvironmentFile=/etc/vortane/%i.env"
                 "ExecStart=vortane-cli $VORTANE_BOARD_OPTIONS serve --listen \${VORTANE_LISTEN} $VORTANE_SERVE_OPTIONS"
                 "Restart=on-failure" "DynamicUser=yes" "User=vortane" "Group=${udev_group}")
  list(FIND lines "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "vortane-serve@.service lacks the line: ${expected}")
  endif()
endforeach()
file(STRINGS ${STAGE}/usr/share/doc/vortane-eval/examples/bench.env env REGEX "^VORTANE_")
if(NOT env MATCHES "VORTANE_BOARD_OPTIONS=--board " OR NOT env MATCHES "VORTANE_LISTEN=[0-9.]+:[0-9]+")
  message(FATAL_ERROR "the example environment file does not name a board and an address: ${env}")
endif()
# systemd's own reading of the unit, where systemd is at hand: an instance of the template, with
# the staged tool and manual page in place of the installed ones it would look for.
find_program(SYSTEMD_ANALYZE systemd-analyze)
if(SYSTEMD_ANALYZE)
  set(verify ${STAGE}/verify)
  file(MAKE_DIRECTORY ${verify})
  file(READ ${unit} text)
  string(REPLACE "ExecStart=vortane-cli" "ExecStart=${STAGE}/usr/bin/vortane-cli" text "${text}")
  file(WRITE ${verify}/vortane-serve@.service "${text}")
  file(CREATE_LINK vortane-serve@.service ${verify}/vortane-serve@bench1.service SYMBOLIC)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env MANPATH=${STAGE}/usr/share/man
                          ${SYSTEMD_ANALYZE} verify ${verify}/vortane-serve@bench1.service
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "systemd-analyze verify (${status}):\n${out}")
  endif()
endif()
