# One static library per layer, made from every .cpp in the listed folders.
# A layer that has no sources yet becomes an interface library, so the tree
# configures while it grows.
function(glass_library name)
  set(sources "")
  foreach(dir IN LISTS ARGN)
    file(GLOB dir_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${dir_sources})
  endforeach()
  # Executables' entry points live beside their layer but are not part of it.
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
  endif()
endfunction()

# Links a glass_library target, whichever kind it turned out to be.
function(glass_link name)
  get_target_property(type ${name} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} INTERFACE ${ARGN})
  else()
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# Links a glass_library target privately (dropped while it has no sources).
function(glass_link_private name)
  get_target_property(type ${name} TYPE)
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} PRIVATE ${ARGN})
  endif()
endfunction()
