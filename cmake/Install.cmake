# Where an installed Vellamore puts its files (GNU layout below the prefix):
#
#   lib/vellamore/          the Palm directory: every program and plug-in
#                           library side by side, as the HotSync Manager and
#                           its conduits share one folder, and the help page
#   bin/                    relative links to the programs a user starts
#   share/applications/     the desktop entry
#   share/icons/hicolor/    the program icon, 16 to 256 pixels and scalable
#   share/lintian/overrides the office server's run path (explained below)
#   share/man/man1/         a page for every program, gzipped
#   share/doc/vellamore/    copyright and changelog
#   lib/systemd/user/       the resident HotSync Manager as a user service
#   lib/udev/rules.d/       access for the logged-in user to USB handhelds
#
# Programs and libraries find one another through run paths relative to
# $ORIGIN, so the installed tree also works when unpacked anywhere. The
# office server's run path, which adds LibreOffice's program folder, is set
# beside its target in office/.
#
# Adding a program or a library is one line in the lists below; a target a
# build does not define (the desktop program without Qt) is left out.
include(GNUInstallDirs)

set(VELLAMORE_INSTALL_PALMDIR lib/vellamore)

set(VELLAMORE_INSTALLED_LIBRARIES
  VellamoreCnd
  syncmgr
  instaide
  condmgr
  UnVellamore)

# Programs, and the name of their link in bin/ ("-" for none).
set(VELLAMORE_INSTALLED_PROGRAMS
  "Vellamore:-"
  "vellamore-start:vellamore"
  "vellamore-setup:vellamore-setup"
  "vlmlist:vlmlist"
  "hotsync:hotsync"
  "handheld:handheld"
  "condcfg:condcfg"
  "uninst:-"
  "vlmoffice:-")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vellamore)
# The resident HotSync Manager as a systemd user service (network HotSync).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vellamore-hotsync.service
        DESTINATION lib/systemd/user)
# USB handhelds may be opened by the user at the seat (`hotsync listen --usb`).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/60-vellamore-palm.rules
        DESTINATION lib/udev/rules.d)

foreach(library IN LISTS VELLAMORE_INSTALLED_LIBRARIES)
  if(TARGET ${library})
    install(TARGETS ${library}
            LIBRARY DESTINATION ${VELLAMORE_INSTALL_PALMDIR}
            RUNTIME DESTINATION ${VELLAMORE_INSTALL_PALMDIR})
  endif()
endforeach()

file(RELATIVE_PATH _vellamore_bin_to_palm
     /${CMAKE_INSTALL_BINDIR} /${VELLAMORE_INSTALL_PALMDIR})
foreach(entry IN LISTS VELLAMORE_INSTALLED_PROGRAMS)
  string(REPLACE ":" ";" entry "${entry}")
  list(GET entry 0 program)
  list(GET entry 1 link)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${VELLAMORE_INSTALL_PALMDIR})
  if(NOT link STREQUAL "-")
    install(CODE "
      set(_bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(MAKE_DIRECTORY \"\${_bin}\")
      message(STATUS \"Linking: \${_bin}/${link}\")
      file(CREATE_LINK \"${_vellamore_bin_to_palm}/${program}\" \"\${_bin}/${link}\" SYMBOLIC)")
  endif()
endforeach()

if(TARGET Vellamore)
  install(FILES ${VELLAMORE_BIN_DIR}/Vellamore.hlp DESTINATION ${VELLAMORE_INSTALL_PALMDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/vellamore.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # Drawn once as vellamore.svg; packaging/icons/render makes the PNGs.
  set(_vellamore_icons ${PROJECT_SOURCE_DIR}/packaging/icons)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${_vellamore_icons}/vellamore_${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME vellamore.png)
  endforeach()
  install(FILES ${_vellamore_icons}/vellamore.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# Man pages, compressed as Debian wants them (no name or time stamp inside).
file(GLOB _vellamore_man_pages ${PROJECT_SOURCE_DIR}/man/*.1)
set(_vellamore_compressed_pages)
foreach(page IN LISTS _vellamore_man_pages)
  get_filename_component(name ${page} NAME)
  set(compressed ${CMAKE_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9nc ${page} > ${compressed}
    DEPENDS ${page}
    COMMENT "Compressing the man page ${name}")
  list(APPEND _vellamore_compressed_pages ${compressed})
endforeach()
add_custom_target(vellamore_man_pages ALL DEPENDS ${_vellamore_compressed_pages})
install(FILES ${_vellamore_compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(_vellamore_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${_vellamore_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${_vellamore_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(vellamore_changelog ALL DEPENDS ${_vellamore_changelog})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${_vellamore_changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vellamore)
