# The Windows executable: the program's sources against the real USER32/GDI32,
# the resource script compiled by windres and linked in.
set(RES_OBJECT ${CMAKE_BINARY_DIR}/pofurin_res.o)
file(GLOB RES_DEPENDS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.h ${CMAKE_SOURCE_DIR}/res/*.ico
  ${CMAKE_SOURCE_DIR}/res/*.manifest)
add_custom_command(OUTPUT ${RES_OBJECT}
  COMMAND ${CMAKE_RC_COMPILER} --preprocessor=cpp --preprocessor-arg=-xc -c 65001
          -I ${CMAKE_SOURCE_DIR}/res -O coff -i ${CMAKE_SOURCE_DIR}/res/pofurin.rc -o ${RES_OBJECT}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/pofurin.rc ${RES_DEPENDS}
  COMMENT "Compiling resources"
  VERBATIM)

add_executable(pofurin WIN32 ${PROGRAM_SOURCES} ${CMAKE_SOURCE_DIR}/src/shell/winmain.cpp ${RES_OBJECT})
target_include_directories(pofurin PRIVATE ${PROGRAM_INCLUDES})
# No link time in the PE header: two builds of one commit give the same bytes.
target_link_options(pofurin PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)
target_link_libraries(pofurin PRIVATE user32 gdi32)

# The end-to-end checker that drives pofurin.exe under Wine, and the probe DLL
# it hooks into the program to read what Wine only answers from inside.
set(E2E_WINE_DIR ${CMAKE_SOURCE_DIR}/tests/e2e/wine)
add_library(pofurin-probe SHARED ${E2E_WINE_DIR}/probe.cpp)
set_target_properties(pofurin-probe PROPERTIES PREFIX "")
target_link_options(pofurin-probe PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(pofurin-probe PRIVATE user32 gdi32)

add_executable(pofurin-check ${E2E_WINE_DIR}/checker.cpp)
target_link_options(pofurin-check PRIVATE -municode -static -static-libgcc -static-libstdc++)
target_link_libraries(pofurin-check PRIVATE user32 gdi32)

include(${CMAKE_SOURCE_DIR}/cmake/install.cmake)
