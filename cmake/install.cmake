# Install rules and packages. Linux: the two programs, the desktop entry, the
# icons in the hicolor theme (drawn at build time from the program's own icon
# resources), the AppStream metadata and the render tool's manual page; CPack
# makes a .deb. Windows: pofurin.exe and a read-me in a zip.
set(POFURIN_HOMEPAGE https://github.com/pofurin/pofurin)
set(POFURIN_HOMEPAGE_RAW https://raw.githubusercontent.com/pofurin/pofurin/main)
set(DATA_DIR ${CMAKE_SOURCE_DIR}/data)

set(CPACK_PACKAGE_NAME pofurin)
set(CPACK_PACKAGE_VENDOR "ポフリン工房")
set(CPACK_PACKAGE_CONTACT "ポフリン工房 <pofurin@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ポフリン発生ソフト: grids of little coloured shapes around a growing disc")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_HOMEPAGE_URL ${POFURIN_HOMEPAGE})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_project.cmake)
set(CPACK_POFURIN_SOURCE_DIR ${CMAKE_SOURCE_DIR})
# Outside a git checkout: the release date, 2026-12-08.
set(CPACK_POFURIN_RELEASE_EPOCH 1796688000)

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

# The icon theme's sizes, drawn from the program's large (107) and small (108)
# icon as the window offers them: whichever covers more of the size once
# enlarged by whole pixels.
set(ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ICON_FILES)
foreach(size 16 24 32 48 64 128 256)
  set(png ${ICON_DIR}/${size}x${size}/${POFURIN_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ICON_DIR}/${size}x${size}
    COMMAND pofurin-icon-png 107 108 ${size} ${png}
    DEPENDS pofurin-icon-png
    COMMENT "Icon at ${size} pixels"
    VERBATIM)
  list(APPEND ICON_FILES ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages, the changelog and the copyright file, compressed as Debian
# has them, without a name or time stamp in the gzip header.
set(DOC_DIR ${CMAKE_BINARY_DIR}/doc)
configure_file(${DATA_DIR}/changelog.in ${DOC_DIR}/changelog @ONLY)
configure_file(${DATA_DIR}/copyright.in ${DOC_DIR}/copyright @ONLY)
set(GZIP_FILES)
foreach(source ${DATA_DIR}/pofurin.1 ${DATA_DIR}/pofurin-render.1 ${DOC_DIR}/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${DOC_DIR}/${name}.gz
    COMMAND gzip -9 -n -c ${source} > ${DOC_DIR}/${name}.gz
    DEPENDS ${source}
    VERBATIM)
  list(APPEND GZIP_FILES ${DOC_DIR}/${name}.gz)
endforeach()
add_custom_target(desktop_files ALL DEPENDS ${ICON_FILES} ${GZIP_FILES})

# The screenshot's size as the picture has it, read from its PNG header
# (width and height, 4 bytes each from byte 16), so that a new picture
# (scripts/readme-media) cannot leave the metadata behind.
set(SCREENSHOT ${CMAKE_SOURCE_DIR}/docs/window.png)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${SCREENSHOT})
file(READ ${SCREENSHOT} png_size OFFSET 16 LIMIT 8 HEX)
string(SUBSTRING ${png_size} 0 8 width)
string(SUBSTRING ${png_size} 8 8 height)
math(EXPR POFURIN_SCREENSHOT_WIDTH "0x${width}")
math(EXPR POFURIN_SCREENSHOT_HEIGHT "0x${height}")
configure_file(${DATA_DIR}/${POFURIN_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/${POFURIN_APP_ID}.metainfo.xml @ONLY)

install(TARGETS pofurin pofurin-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${DATA_DIR}/${POFURIN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/${POFURIN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${DOC_DIR}/pofurin.1.gz ${DOC_DIR}/pofurin-render.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${DOC_DIR}/changelog.gz ${DOC_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Depends: the libraries the binaries link, as dpkg-shlibdeps finds them,
# and a Japanese font for the menu and the About box.
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
# Stripped binaries (the build's hardening flags stay), and every time stamp
# in the package the commit's.
set(CPACK_STRIP_FILES ON)
# (CPack puts the summary first and indents these lines.)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A small desktop toy: one window whose menu starts an animation of randomly
coloured lines, rectangles or ellipses around a growing disc, and
pofurin-render, which runs the same animation headless and saves its frames
as PNG or an animated GIF.")
include(CPack)
