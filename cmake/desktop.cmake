# qinghe-tv as a desktop program: its identity, the files a desktop needs
# (desktop entry, icons, metainfo, manual pages), and how `cmake --install`
# lays everything out the way Debian desktop programs are laid out:
#
#   bin/qinghe-tv -> ../lib/qinghe-tv/qinghe-tv    bin/qinghe-catalogue
#   lib/qinghe-tv/qinghe-tv, tavik.dll, bg/        the program finds its catalogue,
#   lib/qinghe-tv/qinghe-jet-reader                player pages and Jet reader
#                                                  beside its real executable
#   share/applications, share/icons/hicolor, share/metainfo, share/man/man1,
#   share/doc/qinghe-tv (copyright, changelog.Debian.gz)

# The reverse-DNS name of the desktop entry, the icon and the metainfo.
set(QINGHE_DESKTOP_ID io.github.qinghe_tv.QingheTV)
set(QINGHE_HOMEPAGE https://github.com/qinghe-tv/qinghe-tv)
set(QINGHE_MAINTAINER "qinghe-tv developers <qinghe-tv@users.noreply.github.com>")
# The day the project version was released, and the Debian revision of its package.
set(QINGHE_RELEASE_DATE 2026-12-07)
set(QINGHE_PACKAGE_RELEASE 1)

target_compile_definitions(qinghe-tv PRIVATE
  QINGHE_VERSION="${PROJECT_VERSION}" QINGHE_DESKTOP_ID="${QINGHE_DESKTOP_ID}")

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(GZIP gzip REQUIRED)
set(packaging ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(staged ${CMAKE_CURRENT_BINARY_DIR}/desktop)
set(desktop_outputs)

# The icon in the hicolor theme: the SVG itself and PNGs drawn from it.
foreach(size 16 22 24 32 48 64 128 256)
  set(png ${staged}/icons/${size}x${size}/${QINGHE_DESKTOP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${staged}/icons/${size}x${size}
    COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${packaging}/qinghe-tv.svg
    DEPENDS ${packaging}/qinghe-tv.svg
    COMMENT "Drawing the ${size}x${size} icon")
  list(APPEND desktop_outputs ${png})
  install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${packaging}/qinghe-tv.svg DESTINATION share/icons/hicolor/scalable/apps
  RENAME ${QINGHE_DESKTOP_ID}.svg)

# The metainfo names this release; the Debian changelog dates it.
configure_file(${packaging}/${QINGHE_DESKTOP_ID}.metainfo.xml.in
  ${staged}/${QINGHE_DESKTOP_ID}.metainfo.xml @ONLY)
execute_process(COMMAND date -u -R -d "${QINGHE_RELEASE_DATE} 00:00:00"
  OUTPUT_VARIABLE QINGHE_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${packaging}/changelog.Debian.in ${staged}/changelog.Debian @ONLY)

# Manual pages and the changelog, compressed without names or times so that
# every build gives the same bytes.
foreach(source ${packaging}/man/qinghe-tv.1 ${packaging}/man/qinghe-catalogue.1 ${staged}/changelog.Debian)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${staged}/gz/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${staged}/gz/${name}
    COMMAND ${GZIP} -9nf ${staged}/gz/${name}
    DEPENDS ${source}
    COMMENT "Compressing ${name}")
  list(APPEND desktop_outputs ${staged}/gz/${name}.gz)
endforeach()
add_custom_target(desktop_files ALL DEPENDS ${desktop_outputs})

# The program, its catalogue and player pages together; bg/ is the build
# tree's whole folder, whatever the build put into it.
install(TARGETS qinghe-tv qinghe-jet-reader RUNTIME DESTINATION ${QINGHE_PROGRAM_DIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tavik.dll DESTINATION ${QINGHE_PROGRAM_DIR})
install(DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/bg DESTINATION ${QINGHE_PROGRAM_DIR})
# On the path: the program through a relative link, so that it still finds
# its files beside the real executable; the catalogue tool itself.
file(MAKE_DIRECTORY ${staged}/bin)
file(CREATE_LINK ../${QINGHE_PROGRAM_DIR}/qinghe-tv ${staged}/bin/qinghe-tv SYMBOLIC)
install(FILES ${staged}/bin/qinghe-tv DESTINATION bin)
install(TARGETS qinghe-catalogue RUNTIME DESTINATION bin)

install(FILES ${packaging}/${QINGHE_DESKTOP_ID}.desktop DESTINATION share/applications)
install(FILES ${staged}/${QINGHE_DESKTOP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${staged}/gz/qinghe-tv.1.gz ${staged}/gz/qinghe-catalogue.1.gz DESTINATION share/man/man1)
install(FILES ${packaging}/copyright ${staged}/gz/changelog.Debian.gz DESTINATION share/doc/qinghe-tv)
install(FILES ${packaging}/lintian-overrides DESTINATION share/lintian/overrides RENAME qinghe-tv)
