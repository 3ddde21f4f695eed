# `make package`: the installed tree (cmake/Install.cmake) as a Debian
# package, installed with `apt install ./vellamore_*.deb`. Its library
# dependencies are computed from the programs and plug-ins
# (dpkg-shlibdeps); the outside programs that the conversions use are
# recommended, not required: without them those files go in PC format and
# everything else works. A mail transport and the fax client are only
# suggested: installing one is a choice the PC's owner makes (a mail
# transport asks to be configured), and without them a mail or fax request
# fails with its message.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellamore)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Olvenmark)
set(CPACK_PACKAGE_CONTACT "Vellamore team <vellamore@olvenmark.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reach the documents on your PC from a Palm OS handheld")
# The long description's lines, after the summary; CPack indents them as the
# control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vellamore is a HotSync conduit and its desktop program. At every HotSync
the conduit searches PC folders for the handheld, fetches the chosen files
converted for the handheld (text, HTML, word-processor documents,
spreadsheets, pictures), installs handheld programs, sends files by e-mail
or fax, pushes the files listed for each HotSync user and brings files made
on the handheld back to the PC.
.
The package also carries the HotSync Manager programs that Vellamore works
with on Linux (hotsync, handheld, condcfg). Run vellamore-setup once per
user to choose the data directory and register the conduit.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "libreoffice-writer-nogui | libreoffice-writer, libreoffice-calc-nogui | libreoffice-calc, ghostscript, libmagickcore-6.q16-6-extra, poppler-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "default-mta | mail-transport-agent, hylafax-client")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# The Palm directory's plug-ins are loaded by path, never linked against:
# they need no shared-library control data.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
