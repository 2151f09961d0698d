# Installation under a prefix and the Debian package.
#   bin/sorvel_p                                  the program
#   <libdir>/sorvel_p/libsorvel_audio.so          its audio module
#   share/sorvel_p/                               default icons, chime, help
#   share/applications, share/icons/hicolor, share/metainfo
#   share/man/man1/sorvel_p.1.gz                  manual page
#   share/doc/sorvel-p/copyright, changelog.gz    licence and history
set(SORVEL_APP_ID io.github.sorvel_p.sorvel_p)
set(SORVEL_MAINTAINER "sorvel_p developers <sorvel-p@users.noreply.github.com>")

install(TARGETS sorvel_p RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sorvel_audio_module LIBRARY DESTINATION ${SORVEL_INSTALL_MODULEDIR})
# A stripping install (cmake --install --strip, and the package) also drops
# the compiler's .comment notes, which strip alone keeps.
foreach(_bin "${CMAKE_INSTALL_BINDIR}/sorvel_p" "${SORVEL_INSTALL_MODULEDIR}/libsorvel_audio.so")
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    set(_f \"${_bin}\")
    if(NOT IS_ABSOLUTE \"\${_f}\")
      set(_f \"\${CMAKE_INSTALL_PREFIX}/\${_f}\")
    endif()
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\$ENV{DESTDIR}\${_f}\"
                    RESULT_VARIABLE _rc)
    if(_rc)
      message(FATAL_ERROR \"cannot remove .comment from \${_f}\")
    endif()
  endif()")
endforeach()
install(FILES ${SORVEL_DIST_DIR}/ico.bmp ${SORVEL_DIST_DIR}/ico1.bmp ${SORVEL_DIST_DIR}/bg.wav
              ${SORVEL_DIST_DIR}/readme.txt
        DESTINATION ${SORVEL_INSTALL_ASSETDIR})
install(FILES ${CMAKE_SOURCE_DIR}/assets/${SORVEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/assets/${SORVEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${SORVEL_ICON_DIR}/${size}x${size}/sorvel_p.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${SORVEL_ICON_DIR}/scalable/sorvel_p.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual page and changelog take the version from project(); both are
# gzipped without a time stamp, as Debian wants them. The newest changelog
# entry is the one with @PROJECT_VERSION@: at a release, write the old
# entry's version out and add the new entry above it.
find_program(SORVEL_GZIP gzip REQUIRED)
set(SORVEL_DOC_BUILD_DIR ${CMAKE_BINARY_DIR}/doc)
foreach(dir ASSETDIR MODULEDIR)
  if(IS_ABSOLUTE "${SORVEL_INSTALL_${dir}}")
    set(SORVEL_FULL_${dir} "${SORVEL_INSTALL_${dir}}")
  else()
    set(SORVEL_FULL_${dir} "${CMAKE_INSTALL_PREFIX}/${SORVEL_INSTALL_${dir}}")
  endif()
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/docs/sorvel_p.1.in ${SORVEL_DOC_BUILD_DIR}/sorvel_p.1 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/assets/debian/changelog.in ${SORVEL_DOC_BUILD_DIR}/changelog @ONLY)
set(_gz)
foreach(doc sorvel_p.1 changelog)
  add_custom_command(OUTPUT ${SORVEL_DOC_BUILD_DIR}/${doc}.gz
    COMMAND ${SORVEL_GZIP} -9nf -k ${doc}
    WORKING_DIRECTORY ${SORVEL_DOC_BUILD_DIR}
    DEPENDS ${SORVEL_DOC_BUILD_DIR}/${doc}
    COMMENT "Compressing ${doc}")
  list(APPEND _gz ${SORVEL_DOC_BUILD_DIR}/${doc}.gz)
endforeach()
add_custom_target(sorvel_docs ALL DEPENDS ${_gz})
install(FILES ${SORVEL_DOC_BUILD_DIR}/sorvel_p.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/assets/debian/copyright ${SORVEL_DOC_BUILD_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The tags lintian shows that we keep on purpose, each with its reason; only
# for the system prefix, where lintian looks (the package's is /usr).
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  install(FILES ${CMAKE_SOURCE_DIR}/assets/debian/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME sorvel-p)
endif()

# Debian package (scripts/package.sh): library dependencies from
# dpkg-shlibdeps, the rest named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorvel-p)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${SORVEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small desktop launcher with numbered slots, music and a timer")
set(CPACK_PACKAGE_DESCRIPTION "One compact window keeps 251 numbered slots for programs, documents,
folders, desktop entries and web links. It also plays MIDI background music,
runs a countdown timer with an alarm and offers a typing mini-game. The user
interface is Japanese.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps sees only what is linked. The X11 platform plugin comes
# with libqt6gui6 (linked); the Wayland one (qt6-wayland) and the Japanese
# font are loaded at run time. Without X and without the Wayland plugin Qt
# finds no platform and the program aborts at start, so it is a dependency.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland, qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | fluid-soundfont-gm | musescore-general-soundfont, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
