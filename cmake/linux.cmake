# The Linux build: our stand-in for Win32/GDI/WGL, the program on top of it, and the tests.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
pkg_check_modules(GL REQUIRED IMPORTED_TARGET gl)
# The message boxes are X11 windows of our own, their text drawn with Xft.
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11 xft)
find_package(Threads REQUIRED)

# The release build, which the package ships, is hardened as Debian builds its own programs.
add_compile_definitions($<$<CONFIG:Release>:_FORTIFY_SOURCE=2>)
add_link_options($<$<CONFIG:Release>:LINKER:-z,relro,-z,now>)

add_library(waggler_platform STATIC
  platform/window.cpp
  platform/messages.cpp
  platform/dialog.cpp
  platform/message_box.cpp
  platform/wgl.cpp
  platform/resources.cpp
)
target_include_directories(waggler_platform PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(waggler_platform PUBLIC
  PkgConfig::SDL2 PkgConfig::FREETYPE PkgConfig::FONTCONFIG PkgConfig::GLU PkgConfig::GL
  PkgConfig::X11 Threads::Threads)
# Glyph lists apart, so a test variant can swap in a build that finds no bold face.
add_library(waggler_glyphs STATIC platform/glyphs.cpp)
target_link_libraries(waggler_glyphs PUBLIC waggler_platform)
target_link_libraries(waggler_platform PUBLIC waggler_glyphs)
target_link_libraries(waggler_core PUBLIC waggler_platform)

# The two pictures, compiled in; a test variant leaves the honeycomb out.
function(waggler_bitmaps name)
  set(output ${CMAKE_BINARY_DIR}/generated/${name}.cpp)
  set(pairs "")
  set(files "")
  foreach(pair IN LISTS ARGN)
    string(REPLACE "=" ";" parts "${pair}")
    list(GET parts 1 file)
    list(APPEND pairs "${pair}")
    list(APPEND files "${file}")
  endforeach()
  string(REPLACE ";" "\\;" pairsArg "${pairs}")
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} "-DBITMAPS=${pairsArg}"
            -P ${CMAKE_SOURCE_DIR}/cmake/embed_bitmaps.cmake
    DEPENDS ${files} ${CMAKE_SOURCE_DIR}/cmake/embed_bitmaps.cmake
    VERBATIM)
  add_library(${name} OBJECT ${output})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()

set(stripesBitmap ${CMAKE_SOURCE_DIR}/resources/stripes.bmp)
set(honeycombBitmap ${CMAKE_SOURCE_DIR}/resources/honeycomb.bmp)
waggler_bitmaps(waggler_bitmaps_all 103=${stripesBitmap} 105=${honeycombBitmap})

add_executable(waggler app/main.cpp platform/entry.cpp)
target_link_libraries(waggler PRIVATE waggler_core waggler_bitmaps_all)

if(NOT WAGGLER_TESTS)
  return()
endif()

# Test variant: picture 105 is missing, so the textures cannot load.
waggler_bitmaps(waggler_bitmaps_no_honeycomb 103=${stripesBitmap})
add_executable(waggler-no-honeycomb app/main.cpp platform/entry.cpp)
target_link_libraries(waggler-no-honeycomb PRIVATE waggler_core waggler_bitmaps_no_honeycomb)

# Test variant: no bold outline face, so the outline glyphs cannot be built.
add_library(waggler_glyphs_without_bold OBJECT platform/glyphs.cpp)
target_compile_definitions(waggler_glyphs_without_bold PRIVATE WAGGLER_WITHOUT_BOLD_FACE)
target_link_libraries(waggler_glyphs_without_bold PUBLIC waggler_platform)
add_executable(waggler-no-outline-font app/main.cpp platform/entry.cpp)
target_link_libraries(waggler-no-outline-font PRIVATE waggler_glyphs_without_bold waggler_core
  waggler_bitmaps_all)

# Test variant: checks glGetError after each drawing routine and reports the first error on
# standard error. Its frame comes first on the link line, so the core's unchecked one stays out.
add_library(waggler_frame_checked OBJECT render/frame.cpp)
target_compile_definitions(waggler_frame_checked PRIVATE WAGGLER_CHECK_GL)
target_link_libraries(waggler_frame_checked PUBLIC waggler_platform)
add_executable(waggler-check-gl app/main.cpp platform/entry.cpp)
target_link_libraries(waggler-check-gl PRIVATE waggler_frame_checked waggler_core
  waggler_bitmaps_all)

# Test variant: the whole program under ThreadSanitizer, asked the quit question again and
# again. ThreadSanitizer cannot share a process with AddressSanitizer.
if(NOT WAGGLER_SANITIZE)
  get_target_property(coreSources waggler_core SOURCES)
  get_target_property(platformSources waggler_platform SOURCES)
  add_executable(waggler-tsan app/main.cpp platform/entry.cpp platform/glyphs.cpp
    ${coreSources} ${platformSources})
  target_compile_options(waggler-tsan PRIVATE -fsanitize=thread)
  target_link_options(waggler-tsan PRIVATE -fsanitize=thread)
  target_include_directories(waggler-tsan PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(waggler-tsan PRIVATE waggler_bitmaps_all PkgConfig::SDL2
    PkgConfig::FREETYPE PkgConfig::FONTCONFIG PkgConfig::GLU PkgConfig::GL PkgConfig::X11
    Threads::Threads)
endif()

enable_testing()
add_subdirectory(tests)
# The sanitizer build runs tests only; its benchmarks would measure the sanitizers.
if(NOT WAGGLER_SANITIZE)
  add_subdirectory(bench)
endif()
