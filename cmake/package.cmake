# The Debian package of qinghe-tv, made by CPack from the install rules of
# desktop.cmake (scripts/package builds it). Its library dependencies are
# read from the binaries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qinghe-tv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QINGHE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "network-television browser")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Qinghe TV (青禾网络电视) shows one window: a tree of the categories and programmes
of its catalogue, a search box, a strip of scrolling advertisements, and an
embedded web browser in which the chosen video plays.

The catalogue is a password-protected SQLCipher or Jet 4 database that the
program only reads; a demo catalogue and the player pages come with the
package, as does qinghe-catalogue, the tool that creates, generates and dumps
catalogue files.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QINGHE_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QINGHE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QINGHE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Genuine Jet catalogues are read with libmdb (mdbtools); dpkg-shlibdeps
# finds it too, named here so that it stays a dependency.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmdb3")
# The window's Chinese text needs a CJK font; ad links open through the
# desktop's URL handler; ffmpeg converts what the browser cannot decode.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, xdg-utils, ffmpeg")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
