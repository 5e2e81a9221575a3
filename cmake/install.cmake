# Install rules and packages. Linux: the two programs, the desktop entry, the
# icons in the hicolor theme (drawn at build time from the program's own icon
# resources), the AppStream metadata and the render tool's manual page; CPack
# makes a .deb. Windows: pofurin.exe and a read-me in a zip.
set(POFURIN_APP_ID io.github.pofurin.Pofurin)
set(POFURIN_HOMEPAGE https://github.com/pofurin/pofurin)
set(POFURIN_HOMEPAGE_RAW https://raw.githubusercontent.com/pofurin/pofurin/main)
set(DATA_DIR ${CMAKE_SOURCE_DIR}/data)

set(CPACK_PACKAGE_NAME pofurin)
set(CPACK_PACKAGE_VENDOR "ポフリン工房")
set(CPACK_PACKAGE_CONTACT "ポフリン工房 <pofurin@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ポフリン発生ソフト: grids of little coloured shapes around a growing disc")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_HOMEPAGE_URL ${POFURIN_HOMEPAGE})

if(WIN32)
  configure_file(${DATA_DIR}/README-windows.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS pofurin RUNTIME DESTINATION .)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME pofurin-${PROJECT_VERSION}-win64)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)

# The theme's 16 pixel icon is the small icon the window class carries; the
# 32 pixel one the large icon's 32 pixel image.
set(ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ICON_FILES)
foreach(icon "108;16" "107;32")
  list(GET icon 0 id)
  list(GET icon 1 size)
  set(png ${ICON_DIR}/${size}x${size}/${POFURIN_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ICON_DIR}/${size}x${size}
    COMMAND pofurin-icon-png ${id} ${size} ${png}
    DEPENDS pofurin-icon-png
    COMMENT "Icon ${id} at ${size} pixels"
    VERBATIM)
  list(APPEND ICON_FILES ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(desktop_icons ALL DEPENDS ${ICON_FILES})

configure_file(${DATA_DIR}/${POFURIN_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/${POFURIN_APP_ID}.metainfo.xml @ONLY)

install(TARGETS pofurin pofurin-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${DATA_DIR}/${POFURIN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/${POFURIN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${DATA_DIR}/pofurin-render.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Depends: the libraries the binaries link, as dpkg-shlibdeps finds them,
# and a Japanese font for the menu and the About box.
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# (CPack puts the summary first and indents these lines.)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A small desktop toy: one window whose menu starts an animation of randomly
coloured lines, rectangles or ellipses around a growing disc, and
pofurin-render, which runs the same animation headless and saves its frames
as PNG or an animated GIF.")
include(CPack)
