# What `cmake --install` puts under the prefix (DESTDIR honoured), and the Debian package
# `cpack -G DEB` makes of it. The program finds its own files under share/tallyvane/ of the
# prefix it runs from, so any prefix works.
include(GNUInstallDirs)

# The logo as PNGs for the icon theme, drawn from the one SVG at build time.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(TALLYVANE_ICON_SIZES 16 22 24 32 48 64 128 256)
set(icon_files "")
foreach(size IN LISTS TALLYVANE_ICON_SIZES)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}/tallyvane.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                ${CMAKE_SOURCE_DIR}/resources/tallyvane.svg
        DEPENDS ${CMAKE_SOURCE_DIR}/resources/tallyvane.svg
        VERBATIM)
    list(APPEND icon_files ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(tallyvane_icons ALL DEPENDS ${icon_files})

configure_file(resources/app.tallyvane.tallyvane.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/app.tallyvane.tallyvane.metainfo.xml @ONLY)

# The manual page, compressed as Debian keeps them; man reads it either way.
configure_file(resources/tallyvane.1 ${CMAKE_BINARY_DIR}/man/tallyvane.1 @ONLY)
find_program(GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/tallyvane.1.gz
    COMMAND ${GZIP} -9 -n -f -k ${CMAKE_BINARY_DIR}/man/tallyvane.1
    DEPENDS ${CMAKE_BINARY_DIR}/man/tallyvane.1
    VERBATIM)
add_custom_target(tallyvane_man ALL DEPENDS ${CMAKE_BINARY_DIR}/man/tallyvane.1.gz)

install(TARGETS tallyvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/man/tallyvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
foreach(tool tallyvane-netquality tallyvane_netquality)
    if(TARGET ${tool})
        install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
install(FILES resources/tallyvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/tallyvane.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/app.tallyvane.tallyvane.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/sounds/Select.wav ${CMAKE_BINARY_DIR}/sounds/Switch.wav
    DESTINATION ${CMAKE_INSTALL_DATADIR}/tallyvane/sounds)
install(FILES resources/kwin/focus.js DESTINATION ${CMAKE_INSTALL_DATADIR}/tallyvane/kwin)
# The font is fetched into the build tree by scripts/setup, never committed.
install(DIRECTORY ${CMAKE_BINARY_DIR}/fonts/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tallyvane/fonts
    OPTIONAL FILES_MATCHING PATTERN "*.ttf")
# The GNOME Shell extension that tells TallyVane the front window; it runs only once the user
# turned it on (TallyVane asks once, or the settings page's switch).
install(DIRECTORY resources/gnome-shell/tallyvane@app.tallyvane
    DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions)
install(FILES resources/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tallyvane)
install(FILES ${CMAKE_BINARY_DIR}/fonts/OFL.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tallyvane OPTIONAL)

set(CPACK_PACKAGE_NAME tallyvane)
set(CPACK_PACKAGE_VENDOR "TallyVane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "TallyVane <support@tallyvane.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "system monitor in the tray that keeps the front app responsive")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "TallyVane <support@tallyvane.app>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tallyvane.app/")
# Depends is worked out from the shared libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The alert sound, where the notification server plays none, is the sound theme's.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sound-theme-freedesktop")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
TallyVane lives in the system tray and samples the machine once a second:
CPU, memory and memory pressure, temperatures, GPU, fans, network and the
apps using the most. When the machine struggles it slows busy background
apps and, when memory runs out, pauses the biggest one in short beats until
memory recovers; a watchdog undoes everything if TallyVane stops. It
notifies when memory is tight, when the machine runs hot and when an app
stays busy for a long time.")
include(CPack)
