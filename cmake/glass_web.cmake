# The browser build (emscripten): the same device, presentation and offline
# modes, with platform/web in place of SDL. Two variants of one program:
# with threads (GLASS_WEB_THREADS: the program on a worker, the drawing bands
# on more workers; needs a cross-origin isolated page) and without (the
# program on the page's thread, giving way to it through Asyncify).
# GLASS_OPENMPT_SOURCE is libopenmpt's source (Debian's source package),
# compiled here for WebAssembly; GLASS_WEB_CONTENT the content folder packed
# beside the program.
option(GLASS_WEB_THREADS "Threads: the program and the drawing on Web Workers" ON)
set(GLASS_OPENMPT_SOURCE "" CACHE PATH "libopenmpt's unpacked source package")
set(GLASS_WEB_CONTENT "${CMAKE_SOURCE_DIR}/build/content" CACHE PATH "The content folder to pack")
if(NOT EXISTS "${GLASS_OPENMPT_SOURCE}/libopenmpt/libopenmpt.h")
  message(FATAL_ERROR "GLASS_OPENMPT_SOURCE must name libopenmpt's source (scripts/web fetches it)")
endif()

# SSE2 intrinsics become WebAssembly SIMD; contraction stays off so every
# sum is the one the Linux build computes.
add_compile_options(-msse2 -msimd128 -ffp-contract=off)
if(GLASS_WEB_THREADS)
  add_compile_options(-pthread)
endif()

# libopenmpt: the files its own build lists, without the optional decoders
# (MP3, Vorbis, zlib), which the module does not use.
file(STRINGS "${GLASS_OPENMPT_SOURCE}/Makefile.am" openmpt_lines
     REGEX "^MPT_FILES_(COMMON|SOUNDLIB|SOUNDDSP) \\+= .*\\.cpp$")
set(openmpt_sources "")
foreach(line IN LISTS openmpt_lines)
  string(REGEX REPLACE "^.* \\+= " "" file "${line}")
  list(APPEND openmpt_sources "${GLASS_OPENMPT_SOURCE}/${file}")
endforeach()
foreach(file libopenmpt_c.cpp libopenmpt_cxx.cpp libopenmpt_ext_impl.cpp libopenmpt_impl.cpp)
  list(APPEND openmpt_sources "${GLASS_OPENMPT_SOURCE}/libopenmpt/${file}")
endforeach()
add_library(glass_openmpt STATIC ${openmpt_sources})
target_compile_definitions(glass_openmpt PRIVATE LIBOPENMPT_BUILD)
target_include_directories(glass_openmpt PRIVATE "${GLASS_OPENMPT_SOURCE}/build/svn_version"
  "${GLASS_OPENMPT_SOURCE}" "${GLASS_OPENMPT_SOURCE}/src" "${GLASS_OPENMPT_SOURCE}/common")
target_include_directories(glass_openmpt SYSTEM INTERFACE "${GLASS_OPENMPT_SOURCE}")
# Not our code: its warnings are not ours to mend. It reports a module it
# cannot read by throwing and catching inside its C interface, so it is
# built with exceptions (the program links their support); our own code
# throws none.
target_compile_options(glass_openmpt PRIVATE -w -O2 -fexceptions)
set_target_properties(glass_openmpt PROPERTIES CXX_STANDARD 17)

# One layer from the .cpp files of `folders`, less the files named in
# EXCLUDE (paths under src/), plus EXTRA files.
function(glass_web_library name)
  cmake_parse_arguments(arg "" "" "FOLDERS;EXCLUDE;EXTRA" ${ARGN})
  set(sources "")
  foreach(dir IN LISTS arg_FOLDERS)
    file(GLOB dir_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp)
    list(APPEND sources ${dir_sources})
  endforeach()
  foreach(file IN LISTS arg_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/src/${file})
  endforeach()
  foreach(file IN LISTS arg_EXTRA)
    list(APPEND sources ${CMAKE_SOURCE_DIR}/src/${file})
  endforeach()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
endfunction()

glass_web_library(glass_platform_d3d8 FOLDERS platform/d3d8
  EXCLUDE platform/d3d8/spans_wide_avx2.cpp platform/d3d8/spans_wide_avx512.cpp)
target_compile_options(glass_platform_d3d8 PRIVATE $<$<CONFIG:RelWithDebInfo,Release>:-O3>)
glass_web_library(glass_platform_os FOLDERS platform/os
  EXCLUDE platform/os/sdl_display.cpp platform/os/frame_presenter.cpp platform/os/picture_scaler.cpp
          platform/os/display_list.cpp platform/os/x11_connection_loss.cpp
  EXTRA platform/web/web_display.cpp platform/web/page_bridge.cpp)
glass_web_library(glass_platform_sound FOLDERS platform/sound
  EXCLUDE platform/sound/sdl_audio_device.cpp
  EXTRA platform/web/web_audio_device.cpp)
target_link_libraries(glass_platform_sound PUBLIC glass_platform_os PRIVATE glass_openmpt)
glass_web_library(glass_presentation FOLDERS render assets codec scenes app)
target_link_libraries(glass_presentation PUBLIC glass_platform_d3d8 glass_platform_os glass_platform_sound)
glass_web_library(glass_capture FOLDERS capture
  EXCLUDE capture/png_writer.cpp capture/run_deflate.cpp capture/png_sequence_output.cpp capture/png_frame_pool.cpp
          capture/contact_sheet.cpp capture/ffmpeg_output.cpp capture/child_process.cpp
          capture/offline_outputs.cpp capture/scaled_output.cpp capture/wav_writer.cpp
  EXTRA capture/web/offline_outputs_web.cpp)
target_link_libraries(glass_capture PUBLIC glass_presentation)

add_executable(glass-orchard src/app/main.cpp)
target_link_libraries(glass-orchard PRIVATE glass_capture glass_presentation)
set(web_link_options
  -fexceptions -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=256MB -sMAXIMUM_MEMORY=2GB -sTOTAL_STACK=8MB
  -sEXIT_RUNTIME=1 -sINVOKE_RUN=0 "-sEXPORTED_RUNTIME_METHODS=['callMain']" -sENVIRONMENT=web,worker
  "--preload-file=${GLASS_WEB_CONTENT}@/content")
if(GLASS_WEB_THREADS)
  # The program on a worker of its own; the page's thread only shows
  # frames and takes keys. Workers wait ready for the drawing threads (at
  # most eight) and the program.
  # Growing shared memory costs only the page's own JavaScript, which reads
  # one picture a frame.
  list(APPEND web_link_options -pthread -Wno-pthreads-mem-growth -sPROXY_TO_PTHREAD=1 -sDEFAULT_PTHREAD_STACK_SIZE=4MB
    "-sPTHREAD_POOL_SIZE=Math.min(navigator.hardwareConcurrency||1,8)+1")
  set_target_properties(glass-orchard PROPERTIES OUTPUT_NAME glass-orchard)
else()
  # Only the program's message loop waits: nothing reached through a
  # pointer to a function needs to be suspended.
  list(APPEND web_link_options -sASYNCIFY=1 -sASYNCIFY_IGNORE_INDIRECT=1 -sASYNCIFY_STACK_SIZE=65536)
  set_target_properties(glass-orchard PROPERTIES OUTPUT_NAME glass-orchard-single)
endif()
target_link_options(glass-orchard PRIVATE ${web_link_options})
set_property(TARGET glass-orchard APPEND PROPERTY LINK_DEPENDS "${GLASS_WEB_CONTENT}/track.xm")

# Checks of the browser build's own code paths, run by node (scripts/test web).
if(NOT GLASS_WEB_THREADS)
  add_executable(float_to_int_check tests/web/float_to_int_check.cpp)
  target_include_directories(float_to_int_check PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_options(float_to_int_check PRIVATE -sENVIRONMENT=node)
endif()
