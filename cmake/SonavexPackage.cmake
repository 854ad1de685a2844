# The Debian package: `cpack -G DEB` in a build folder (scripts/package makes a Release one).
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(docDir ${CMAKE_INSTALL_DATADIR}/doc/sonavex)
install(FILES ${packaging}/copyright DESTINATION ${docDir})
sonavex_install_gzipped(${packaging}/changelog ${docDir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonavex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Sonavex maintainers <maintainers@users.noreply.c-seed-af802807.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search free music, find similar artists and play MP3s")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Sonavex is a desktop client for a music search and recommendation service.
It searches free tracks by keyword, artist or title, finds similar artists
and radio stations, downloads tracks from the sites that host them through a
queue and plays your local MP3 library.
.
The package also brings sonavex-server, the service with stand-ins for the
hosting sites over a sample catalogue, run for every user session by a
systemd user unit, so that the client works on one computer with no setup.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://sonavex.example.org/)
# Libraries from the binaries; besides them the player needs GStreamer's MP3 decoding and the shop
# browser its helper process, which no library links to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, libqt6webenginecore6-bin")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${packaging}/postinst ${packaging}/prerm ${packaging}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SET_DESTDIR OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
