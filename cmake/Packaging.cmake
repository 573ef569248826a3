# Installation and the Debian package: cmake --install puts the three programs, the desktop entry
# and the icon under the prefix; cpack -G DEB makes a package that installs on Debian 12.
include(GNUInstallDirs)
foreach(program morvane morvane-cli morvane-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
    endif()
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/packaging/morvane.desktop"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT programs)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/morvane.svg"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT programs)
install(FILES "${PROJECT_SOURCE_DIR}/README.md"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/morvane COMPONENT programs)

set(CPACK_PACKAGE_NAME "morvane")
set(CPACK_PACKAGE_VENDOR "Morvane developers")
set(CPACK_PACKAGE_CONTACT "Morvane developers <maintainers@users.noreply.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sedimentation-velocity g(s*) analysis for analytical ultracentrifuge runs")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};programs;/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/morvane")
# dpkg-shlibdeps names the Debian packages of the libraries the programs link (Qt 6, QCustomPlot,
# inih, the C and C++ run-time) with their versions; Qt's display plugins are loaded at run time
# (the X11 one is in qt6-qpa-plugins) and printing support is linked for the chart's PDF export.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6printsupport6")
set(CPACK_STRIP_FILES ON)
include(CPack)
