# The browser page: the program's sources on platform/ with the browser
# backend, compiled by Emscripten. POFURIN_WEB_DIR gets everything a static
# web server needs: index.html, pofurin.js and pofurin.wasm.
set(POFURIN_WEB_DIR ${CMAKE_BINARY_DIR}/site CACHE PATH "Where the page, its script and its module go")

add_subdirectory(res)
add_subdirectory(platform)

add_library(pofurin_app STATIC ${PROGRAM_SOURCES})
target_include_directories(pofurin_app PUBLIC ${PROGRAM_INCLUDES})
target_link_libraries(pofurin_app PUBLIC win32_headers)

add_executable(pofurin ${CMAKE_SOURCE_DIR}/src/shell/winmain.cpp)
target_include_directories(pofurin PRIVATE ${PROGRAM_INCLUDES})
target_link_libraries(pofurin PRIVATE pofurin_app pofurin_resources win32_web)
set_target_properties(pofurin PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${POFURIN_WEB_DIR})

set(WEB_SCRIPT pofurin.js)
set(WEB_MODULE pofurin.wasm)
set(WEB_EXIT_VARIABLE pofurinExitCode)
# The page's title before the program runs: the window title of the string table.
file(STRINGS ${CMAKE_SOURCE_DIR}/res/pofurin.rc WEB_TITLE REGEX "^ *RES_APP_TITLE \"" ENCODING UTF-8)
string(REGEX REPLACE "^ *RES_APP_TITLE \"([^\"]*)\".*" "\\1" WEB_TITLE "${WEB_TITLE}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/pofurin.rc
  ${WIN32_WEB_PAGE_SCRIPT})
# The page's script goes inside the page, so the page needs no fourth file.
file(READ ${WIN32_WEB_PAGE_SCRIPT} WEB_PAGE_SCRIPT)
string(CONFIGURE "${WEB_PAGE_SCRIPT}" WEB_PAGE_SCRIPT @ONLY)
configure_file(${WIN32_WEB_PAGE} ${POFURIN_WEB_DIR}/index.html @ONLY)
