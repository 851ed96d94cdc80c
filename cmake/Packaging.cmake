# `cpack -G DEB` (or `make package` in the build directory): a Debian package
# of everything `cmake --install` puts under /usr, its dependencies read from
# the shared libraries the program links (dpkg-shlibdeps, from dpkg-dev).
# The package takes what the build made: `make package` and the package test
# run after the build, and cpack need not walk every test target again.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_PACKAGE_NAME ombrix)
set(CPACK_PACKAGE_VENDOR "The Ombrix developers")
set(CPACK_PACKAGE_CONTACT "The Ombrix developers <ombrix@ombrix.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray mail checker for POP3 and IMAP accounts")
set(CPACK_PACKAGE_DESCRIPTION
    "Ombrix watches up to 20 POP3 and IMAP accounts, plain or over TLS, and\n\
announces new mail with its tray icon, a pop-up, a sound and the desktop's\n\
notifications. It lists the waiting mails, shows previews, deletes mails on\n\
the server and offers a command line for scripts.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${OMBRIX_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds the SVG icons through its image plugin, which no linked library names;
# ALSA and libsndfile are loaded when the first sound plays.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, libasound2 (>= 1.1), libsndfile1 (>= 1.0.25)")
# Qt's own buttons and dialogs in German come from Qt's translation catalogue.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
