# What an installation holds besides the programs, resources, desktop entry and icon, and the Debian
# package made of it all (scripts/package.sh: cpack in the release tree).

# The user unit for headless logging, written at install time so that its ExecStart names the
# prefix being installed into (cpack installs into /usr whatever the tree was configured with).
install(CODE "
  set(DEDEZUVIV_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/data/desktop/dedezuviv-headless.service.in\"
    \"${CMAKE_CURRENT_BINARY_DIR}/install/dedezuviv.service\" @ONLY)")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/install/dedezuviv.service DESTINATION lib/systemd/user)

# The installed programs resolve their libraries at start (full RELRO, as Debian's own builds link),
# and a stripped install (cpack) also drops the compiler's notes, as dh_strip does.
set(DEDEZUVIV_INSTALLED_PROGRAMS dedezuviv dedezuviv-tool dedezuviv-simulator)
foreach(program ${DEDEZUVIV_INSTALLED_PROGRAMS})
  if(TARGET ${program})
    target_link_options(${program} PRIVATE LINKER:-z,now)
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
      endif()")
  endif()
endforeach()

# Manual pages and the changelog compressed as Debian wants them: gzip -9 without name and time stamp.
set(DEDEZUVIV_DOC_BUILD_DIR ${CMAKE_CURRENT_BINARY_DIR}/install)
set(DEDEZUVIV_COMPRESSED_DOCS)
foreach(page dedezuviv.1 dedezuviv-tool.1 dedezuviv-simulator.1)
  list(APPEND DEDEZUVIV_COMPRESSED_DOCS "data/man/${page}|${page}.gz")
endforeach()
list(APPEND DEDEZUVIV_COMPRESSED_DOCS "data/debian/changelog|changelog.gz")
set(DEDEZUVIV_COMPRESSED_OUTPUTS)
foreach(entry ${DEDEZUVIV_COMPRESSED_DOCS})
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 source)
  list(GET parts 1 target)
  add_custom_command(OUTPUT ${DEDEZUVIV_DOC_BUILD_DIR}/${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DEDEZUVIV_DOC_BUILD_DIR}
    COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh ${CMAKE_CURRENT_SOURCE_DIR}/${source}
      ${DEDEZUVIV_DOC_BUILD_DIR}/${target}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${source}
    VERBATIM)
  list(APPEND DEDEZUVIV_COMPRESSED_OUTPUTS ${DEDEZUVIV_DOC_BUILD_DIR}/${target})
endforeach()
add_custom_target(dedezuviv_compressed_docs ALL DEPENDS ${DEDEZUVIV_COMPRESSED_OUTPUTS})

install(FILES
  ${DEDEZUVIV_DOC_BUILD_DIR}/dedezuviv.1.gz
  ${DEDEZUVIV_DOC_BUILD_DIR}/dedezuviv-tool.1.gz
  ${DEDEZUVIV_DOC_BUILD_DIR}/dedezuviv-simulator.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/completion/dedezuviv-tool DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES README.md data/debian/copyright ${DEDEZUVIV_DOC_BUILD_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dedezuviv)

# The Debian package: one binary package of everything installed above, dependencies found by
# dpkg-shlibdeps from the programs' libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dedezuviv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/package)
set(CPACK_PACKAGE_VENDOR DEDEZUviv)
set(CPACK_PACKAGE_CONTACT "DEDEZUviv <dedezuviv@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data and temperature logger for heating controllers")
set(CPACK_PACKAGE_DESCRIPTION "\
DEDEZUviv receives the text records a heating controller sends on a serial
line (temperatures, counters, values, relays, inputs, its clock), shows them
live, acknowledges each one, records them into one text file per day and
answers value queries over TCP. It runs with its window or headless as a
systemd user service, exports recorded data to CSV, XLS, DAT and WK1, draws
charts, and can publish every record to an MQTT broker.

To read a serial port the user must be in the group dialout:
 sudo adduser $USER dialout
then log in again.

The package holds dedezuviv (the logger), dedezuviv-tool (exports, charts,
imports and checks on the command line) and dedezuviv-simulator (a
controller on a pseudo-terminal for trying it without hardware).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://dedezuviv.example.org)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# mosquitto_sub to watch what the logger publishes; LibreOffice for opening the exports (the
# variant without a window satisfies it on a box without a display); Qt's own German texts for the
# standard dialogs, which stay English without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "mosquitto-clients, libreoffice-calc | libreoffice-calc-nogui, qt6-translations-l10n")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

# The manual pages and the completion describe the full build (window, tool with plot, simulator).
if(DEDEZUVIV_BUILD_TESTS AND TARGET dedezuviv_gui AND TARGET dedezuviv-tool AND TARGET dedezuviv-simulator
   AND NOT DEDEZUVIV_SANITIZE AND NOT DEDEZUVIV_TSAN)
  enable_testing()
  add_test(NAME ManPages.ListTheOptionsOfTheHelpTexts
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/package/check-man-pages.sh
      $<TARGET_FILE:dedezuviv> $<TARGET_FILE:dedezuviv-tool> $<TARGET_FILE:dedezuviv-simulator>
      ${CMAKE_CURRENT_SOURCE_DIR})
  set_tests_properties(ManPages.ListTheOptionsOfTheHelpTexts PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
