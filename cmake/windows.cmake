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
target_link_options(pofurin PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(pofurin PRIVATE user32 gdi32)
