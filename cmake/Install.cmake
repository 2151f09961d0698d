# Installation under a prefix and the Debian package.
#   bin/sorvel_p                                  the program
#   <libdir>/sorvel_p/libsorvel_audio.so          its audio module
#   share/sorvel_p/                               default icons, chime, help
#   share/applications, share/icons/hicolor, share/metainfo
set(SORVEL_APP_ID io.github.sorvel_p.sorvel_p)

install(TARGETS sorvel_p RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sorvel_audio_module LIBRARY DESTINATION ${SORVEL_INSTALL_MODULEDIR})
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

# Debian package (scripts/package.sh): library dependencies from
# dpkg-shlibdeps, the rest named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorvel-p)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "sorvel_p developers <sorvel-p@users.noreply.github.com>")
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
