# The Linux install and its Debian package. `cmake --install` puts the client,
# its menu entry, icons, manual page and the package documents under any
# prefix; `cpack -G DEB` in the build folder (scripts/package-deb) wraps the
# same files under /usr as zelvinorapa_<version>_amd64.deb.
include(GNUInstallDirs)

set(zv_package_dir ${CMAKE_BINARY_DIR}/package)
set(zv_package_src ${PROJECT_SOURCE_DIR}/cmake/debian)
set(zv_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})

configure_file(${PROJECT_SOURCE_DIR}/cmake/zelvinorapa.desktop.in
               ${zv_package_dir}/zelvinorapa.desktop @ONLY)
install(FILES ${zv_package_dir}/zelvinorapa.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# Menus that cannot draw SVG look for a bitmap of 48 pixels in hicolor.
set(zv_icon_svg ${PROJECT_SOURCE_DIR}/resources/icons/zelvinoraPA.svg)
add_custom_command(OUTPUT ${zv_package_dir}/zelvinorapa.png
  COMMAND zv-icontool ${zv_icon_svg} ${zv_package_dir}/zelvinorapa.png 48
  DEPENDS ${zv_icon_svg} zv-icontool
  COMMENT "Drawing the menu icon"
  VERBATIM)
add_custom_target(zv_menu_icon ALL DEPENDS ${zv_package_dir}/zelvinorapa.png)
install(FILES ${zv_icon_svg}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME zelvinorapa.svg)
install(FILES ${zv_package_dir}/zelvinorapa.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)

# Debian wants the changelog and the manual page compressed with gzip -9 and
# without a time stamp, so that two builds of one version are the same bytes.
foreach(doc changelog zelvinorapa.1)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${zv_package_src}/${doc})
  execute_process(COMMAND gzip -9 -n -c ${zv_package_src}/${doc}
                  OUTPUT_FILE ${zv_package_dir}/${doc}.gz
                  RESULT_VARIABLE zv_gzip_result)
  if(NOT zv_gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress cmake/debian/${doc}")
  endif()
endforeach()
install(FILES ${zv_package_src}/copyright ${zv_package_dir}/changelog.gz
        DESTINATION ${zv_doc_dir})
install(FILES ${zv_package_dir}/zelvinorapa.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZelVinora")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal area client of the ZelVinora dealer")
set(CPACK_PACKAGE_DESCRIPTION
"Личный кабинет Зелвинора keeps the reference data of the estimate programs
WinRIK and Grand-Smeta up to date: it asks the dealer's service what the
customer's account may receive (price indices, normative bases, endings
tables, new program versions), shows what is newer than the installed data,
downloads the chosen items and installs them into the programs' folders.
It lives in the notification area of the desktop.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ZelVinora <support@zelvinora.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries come from dpkg-shlibdeps; the archives are unpacked by
# p7zip's 7za, which is run as a program and so is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "p7zip-full")
# The dealer's service is reached over HTTPS and checked against the
# system's certificate authorities.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
