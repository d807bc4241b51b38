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

# What the stand-in is built on.
add_library(waggler_system_libraries INTERFACE)
target_link_libraries(waggler_system_libraries INTERFACE
  PkgConfig::SDL2 PkgConfig::FREETYPE PkgConfig::FONTCONFIG PkgConfig::GLU PkgConfig::GL
  PkgConfig::X11 Threads::Threads)

# The one picture type of the tools and the tests, with PNG files through libpng; the build
# reads the icon's art with it.
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
add_library(waggler_picture STATIC ${CMAKE_SOURCE_DIR}/harness/picture.cpp)
target_include_directories(waggler_picture PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(waggler_picture PUBLIC PkgConfig::PNG)

# The windows' icon, turned from the PNG files the package installs into pixels the program
# holds, so that it needs neither the files nor a PNG decoder.
add_executable(embed_icons ${CMAKE_SOURCE_DIR}/tools/embed_icons.cpp)
target_link_libraries(embed_icons PRIVATE waggler_picture)
set(iconFiles "")
foreach(size 16 24 32 48 64 128 256)
  list(APPEND iconFiles ${CMAKE_SOURCE_DIR}/resources/icons/waggler-${size}.png)
endforeach()
set(WAGGLER_ICON_SOURCE ${CMAKE_BINARY_DIR}/generated/window_icon_pixels.cpp)
add_custom_command(OUTPUT ${WAGGLER_ICON_SOURCE}
  COMMAND embed_icons ${WAGGLER_ICON_SOURCE} ${iconFiles}
  DEPENDS embed_icons ${iconFiles}
  VERBATIM)

# The stand-in for Win32, GDI and WGL, one topic a file (only this build compiles
# platform/linux/). The font mapper is a part of its own: a test variant builds it finding no
# bold face.
set(WAGGLER_PLATFORM_SOURCES
  platform/linux/desktop_scale.cpp
  platform/linux/dpi.cpp
  platform/linux/window.cpp
  platform/linux/keys.cpp
  platform/linux/held_keys.cpp
  platform/linux/timers.cpp
  platform/linux/queue.cpp
  platform/linux/messages.cpp
  platform/linux/dialog.cpp
  platform/linux/message_box.cpp
  platform/linux/wgl.cpp
  platform/linux/gdi_objects.cpp
  platform/linux/outline_geometry.cpp
  platform/linux/glyph_lists.cpp
  platform/linux/resources.cpp
  platform/linux/failure_notes.cpp
  platform/linux/no_window_report.cpp
  platform/linux/window_icon.cpp
  platform/linux/x_link.cpp
  ${WAGGLER_ICON_SOURCE}
)
add_library(waggler_platform OBJECT ${WAGGLER_PLATFORM_SOURCES})
add_library(waggler_font_mapping OBJECT platform/linux/font_mapping.cpp)
foreach(part waggler_platform waggler_font_mapping)
  target_include_directories(${part} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${part} PUBLIC waggler_system_libraries)
endforeach()

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

# A program: the clock's entry and the process entry, the PARTS (object libraries) it is made
# of, and SOURCES compiled for it alone with its DEFINITIONS and OPTIONS.
function(waggler_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PARTS;SOURCES;DEFINITIONS;OPTIONS")
  add_executable(${name} app/main.cpp platform/linux/entry.cpp ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE ${arg_DEFINITIONS})
  target_compile_options(${name} PRIVATE ${arg_OPTIONS})
  target_link_options(${name} PRIVATE ${arg_OPTIONS})
  target_link_libraries(${name} PRIVATE ${arg_PARTS} waggler_system_libraries)
endfunction()

waggler_program(waggler PARTS
  waggler_clock waggler_frame waggler_platform waggler_font_mapping waggler_bitmaps_all)

if(NOT WAGGLER_TESTS)
  return()
endif()

# The tests link the clock and the stand-in as one archive, which gives each test only what it
# calls: a test of the stand-in brings its own picture table.
add_library(waggler_core STATIC)
target_link_libraries(waggler_core PUBLIC
  waggler_clock waggler_frame waggler_platform waggler_font_mapping)

# Test variants: each is waggler with the one part named last built its own way.
waggler_bitmaps(waggler_bitmaps_no_honeycomb 103=${stripesBitmap})
# Picture 105 is missing, so the textures cannot load.
waggler_program(waggler-no-honeycomb PARTS
  waggler_clock waggler_frame waggler_platform waggler_font_mapping waggler_bitmaps_no_honeycomb)
# No bold outline face, so the outline glyphs cannot be built.
waggler_program(waggler-no-outline-font PARTS
  waggler_clock waggler_frame waggler_platform waggler_bitmaps_all
  SOURCES platform/linux/font_mapping.cpp DEFINITIONS WAGGLER_WITHOUT_BOLD_FACE)
# Checks glGetError after each drawing routine and reports the first error on standard error.
waggler_program(waggler-check-gl PARTS
  waggler_clock waggler_platform waggler_font_mapping waggler_bitmaps_all
  SOURCES scene/frame.cpp DEFINITIONS WAGGLER_CHECK_GL)
# The whole program under ThreadSanitizer, asked the quit question again and again.
# ThreadSanitizer cannot share a process with AddressSanitizer.
if(NOT WAGGLER_SANITIZE)
  waggler_program(waggler-tsan PARTS waggler_bitmaps_all
    SOURCES ${WAGGLER_CLOCK_SOURCES} scene/frame.cpp ${WAGGLER_PLATFORM_SOURCES}
            platform/linux/font_mapping.cpp
    OPTIONS -fsanitize=thread)
endif()

enable_testing()
# What the tests, the tools and the benchmarks stand on: offscreen GL, the scene in known states,
# pictures, and the programs in a private X server.
add_subdirectory(harness)
add_subdirectory(tools)
add_subdirectory(tests)
# The sanitizer build runs tests only; its benchmarks would measure the sanitizers.
if(NOT WAGGLER_SANITIZE)
  add_subdirectory(bench)
endif()
