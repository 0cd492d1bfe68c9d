# Installing the programs, their files and the engine as a library, and the Debian package.
#
#   cmake --install build --prefix /usr        the programs under bin/, the shipped files under
#                                             share/journal/, menu entries, icons, the MIME
#                                             type of templates, man pages, headers and the
#                                             CMake package FrReport
#   cmake --build build --target package       build/journal_VERSION_ARCH.deb
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(FR_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/journal)
set(FR_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/frreport)
set(FR_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/FrReport)

# ---- programs and what the journal ships with ----
foreach(_p journal frdesigner frreport frcalc)
  if(TARGET ${_p})
    install(TARGETS ${_p} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  endif()
endforeach()
# The journal seeds the user's data folder from here on its first start.
install(FILES ${CMAKE_SOURCE_DIR}/data/config.ini DESTINATION ${FR_INSTALL_DATADIR} COMPONENT programs)
install(FILES ${CMAKE_SOURCE_DIR}/data/Reports/users.txt ${CMAKE_SOURCE_DIR}/data/Reports/recept.txt
              ${FR_BIN_DIR}/Reports/J001.frf ${FR_BIN_DIR}/Reports/S001.frf
        DESTINATION ${FR_INSTALL_DATADIR}/Reports COMPONENT programs)
# The designer's starting templates (built from templates/*.json).
install(FILES ${FR_STARTING_TEMPLATES} DESTINATION ${FR_INSTALL_DATADIR}/templates COMPONENT programs)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/journal.desktop ${CMAKE_SOURCE_DIR}/packaging/frdesigner.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT programs)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/journal.svg ${CMAKE_SOURCE_DIR}/packaging/icons/frdesigner.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT programs)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/journal-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT programs)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/frreport.1 ${CMAKE_SOURCE_DIR}/packaging/frcalc.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)

# ---- the engine as a library ----
# Headless: fr_eval, the printer service, fr_model, fr_engine. With widgets: fr_ui (preview,
# dialogs, platform printers), fr_spreadsheet (the workbook export), fr_designer.
set(FR_LIBRARIES)
foreach(_l fr_eval fr_printer fr_print fr_model fr_engine fr_ui fr_spreadsheet fr_designer)
  if(TARGET ${_l})
    list(APPEND FR_LIBRARIES ${_l})
  endif()
endforeach()
install(TARGETS ${FR_LIBRARIES} EXPORT FrReportTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
        INCLUDES DESTINATION ${FR_INSTALL_INCLUDEDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/report ${CMAKE_SOURCE_DIR}/export DESTINATION ${FR_INSTALL_INCLUDEDIR}
        COMPONENT library FILES_MATCHING PATTERN "*.h")
install(EXPORT FrReportTargets NAMESPACE FrReport:: DESTINATION ${FR_INSTALL_CMAKEDIR} COMPONENT library)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/FrReportConfig.cmake.in
  ${CMAKE_BINARY_DIR}/FrReportConfig.cmake INSTALL_DESTINATION ${FR_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/FrReportConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/FrReportConfig.cmake ${CMAKE_BINARY_DIR}/FrReportConfigVersion.cmake
        DESTINATION ${FR_INSTALL_CMAKEDIR} COMPONENT library)

# ---- the Debian package ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME journal)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "journal-support@example.org")
set(CPACK_PACKAGE_VENDOR "Отдел информационных технологий")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Journal of received electronic files, with a report engine and designer")
set(CPACK_PACKAGE_DESCRIPTION "Numbers, records and prints the files received in a folder (SQLite or PostgreSQL
journal), with a banded report engine, its designer, PDF and workbook export, and the command-line
tools frreport and frcalc. Includes the engine's headers and static libraries.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION office)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/journal")
# Dependencies from Debian's own packages, worked out from the programs' libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the SQL drivers, the platform
# plugins, fonts the templates use, and the tools that refresh the menu and MIME caches.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, qt6-qpa-plugins, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, cups-client, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "postgresql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME journal_${PROJECT_VERSION}_amd64)
include(CPack)
