# Desktop integration files and the Debian package (cpack -G DEB in the build tree).
set(_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(_generated ${CMAKE_BINARY_DIR}/packaging)

install(FILES ${_packaging}/${VELTRANO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_packaging}/${VELTRANO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The program's icon, as drawn and at the usual bitmap sizes of the hicolor theme.
set(_icon ${CMAKE_SOURCE_DIR}/resources/pictures/veltrano.svg)
set(_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${_icon} DESTINATION ${_icons}/scalable/apps)
find_program(VELTRANO_RSVG_CONVERT rsvg-convert)
set(_pngs "")
if(VELTRANO_RSVG_CONVERT)
    foreach(size IN ITEMS 16 22 24 32 48 64 128 256 512)
        set(_png ${_generated}/icons/${size}x${size}/veltrano.png)
        add_custom_command(OUTPUT ${_png}
                           COMMAND ${CMAKE_COMMAND} -E make_directory ${_generated}/icons/${size}x${size}
                           COMMAND ${VELTRANO_RSVG_CONVERT} -w ${size} -h ${size} -o ${_png} ${_icon}
                           DEPENDS ${_icon} VERBATIM)
        install(FILES ${_png} DESTINATION ${_icons}/${size}x${size}/apps)
        list(APPEND _pngs ${_png})
    endforeach()
else()
    message(STATUS "rsvg-convert not found: the package gets only the scalable icon")
endif()

# The manual page, compressed the way Debian keeps them.
set(_man ${_generated}/veltrano-cli.1)
add_custom_command(OUTPUT ${_man}.gz
                   COMMAND ${CMAKE_COMMAND} -E copy ${_packaging}/veltrano-cli.1 ${_man}
                   COMMAND gzip -9nf ${_man}
                   DEPENDS ${_packaging}/veltrano-cli.1 VERBATIM)
install(FILES ${_man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

add_custom_target(veltrano_packaging_files ALL DEPENDS ${_pngs} ${_man}.gz)

set(VELTRANO_PACKAGE_CONTACT "The Veltrano developers" CACHE STRING
    "Maintainer of the Debian package (\"Name <address>\")")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrano)
set(CPACK_PACKAGE_VENDOR "The Veltrano developers")
set(CPACK_PACKAGE_CONTACT "${VELTRANO_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program for an arranger keyboard")
set(CPACK_PACKAGE_DESCRIPTION
    "Veltrano talks to an arranger keyboard over a MIDI in/out pair. It keeps
each model's preset catalogues, copies files to and from the instrument,
edits performance banks and arpeggiator patterns, and converts styles to
and from Standard MIDI Files. A built-in simulated instrument lets
everything be tried without hardware.

The package holds the window program (veltrano), the command line
(veltrano-cli) and the simulated instrument on MIDI ports (veltrano-sim).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are those of the libraries the programs link, as dpkg-shlibdeps finds them,
# and the one library no link shows: the window program cannot start without Qt's platform
# plugins, which Qt only recommends (an install without recommends would leave them out).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
