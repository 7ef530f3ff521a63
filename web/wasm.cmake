# The web build: the same folders as natively, compiled with Emscripten, with
# the browser (browser/) in place of platform/ and capture/. Included by the
# top CMakeLists.txt when the Emscripten toolchain is in use; web.sh drives
# it. FFmpeg, FreeType and libmpg123 come built for WebAssembly from Debian's
# sources by scripts/web-libs.sh into QUARNEL_WEB_LIBS, with SDL for its audio
# converter alone.
set(QUARNEL_WEB_LIBS ${CMAKE_SOURCE_DIR}/build-web/libs CACHE PATH "C libraries built for WebAssembly")
set(libs ${QUARNEL_WEB_LIBS})
# C++ exceptions carry start-up errors, as natively. The kernels' Highway
# forms compile for WebAssembly's 128-bit SIMD, which every current browser
# runs; a page without it fails to load with a clear message.
add_compile_options(-fexceptions -msimd128 "SHELL:-include ${CMAKE_SOURCE_DIR}/web/libcxx_compat.h")
add_link_options(-fexceptions)

quarnel_folder_library(quarnel_core core)
# Highway's headers alone, through an include root of their own (the other
# libraries' headers stay with media/).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/include-roots/hwy)
file(CREATE_LINK ${libs}/include/hwy ${CMAKE_BINARY_DIR}/include-roots/hwy/hwy SYMBOLIC)
target_include_directories(quarnel_core PUBLIC ${CMAKE_BINARY_DIR}/include-roots/hwy)
target_link_libraries(quarnel_core PUBLIC ${libs}/lib/libhwy.a)
quarnel_inner_libraries()

# Fonts come from the files the page ships, not from fontconfig.
quarnel_folder_library(quarnel_media media "_fontconfig\\.cpp$")
target_include_directories(quarnel_media PRIVATE ${libs}/include/SDL2 ${libs}/include ${libs}/include/freetype2)
target_link_libraries(quarnel_media PUBLIC quarnel_pixel PRIVATE
  ${libs}/lib/libavformat.a ${libs}/lib/libavcodec.a ${libs}/lib/libswscale.a ${libs}/lib/libavutil.a
  ${libs}/lib/libfreetype.a ${libs}/lib/libmpg123.a ${libs}/lib/libSDL2.a)
quarnel_folder_library(quarnel_browser browser)
target_link_libraries(quarnel_browser PUBLIC quarnel_core)

# The app's pieces that the page runs: the programme and its frame loop, the
# data checks, the soundtrack loader, the bench's loop and table, and the
# page's entry (web_main.cpp) instead of main.
set(web_app_sources programme bench_report frame_clock frame_timing interrupt_guard soundtrack_file data_check
  web_main)
list(TRANSFORM web_app_sources PREPEND ${CMAKE_SOURCE_DIR}/app/)
list(TRANSFORM web_app_sources APPEND .cpp)
add_executable(quarnel ${web_app_sources})
set(root ${CMAKE_BINARY_DIR}/include-roots/app)
file(MAKE_DIRECTORY ${root})
file(CREATE_LINK ${CMAKE_SOURCE_DIR}/app ${root}/app SYMBOLIC)
target_include_directories(quarnel PRIVATE ${root})
target_link_libraries(quarnel PRIVATE quarnel_effects quarnel_media quarnel_browser)
set_target_properties(quarnel PROPERTIES SUFFIX ".js")
# A module the page creates (createQuarnel), growing memory, no threads: a
# plain static server needs no special headers.
target_link_options(quarnel PRIVATE -sMODULARIZE=1 -sEXPORT_NAME=createQuarnel -sALLOW_MEMORY_GROWTH=1
  -sINITIAL_MEMORY=67108864 -sENVIRONMENT=web,node -sEXIT_RUNTIME=0 -sFORCE_FILESYSTEM=1
  "-sEXPORTED_RUNTIME_METHODS=[FS,ccall,UTF8ToString]"
  "-sEXPORTED_FUNCTIONS=[_quarnelPrepare,_quarnelStart,_quarnelFrame,_quarnelFrameAt,_quarnelBench]")
