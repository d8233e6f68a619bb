# The Windows build, cross-compiled with mingw-w64. The mingw sysroot has
# none of Debian's host libraries, so the parts that need Assimp, libpng,
# giflib, SDL2 or FLTK are left out. nlohmann/json is header-only and
# compiler-neutral: its Debian headers serve the cross compiler too, through
# a folder that holds nothing else (the host's /usr/include must stay off
# the cross compiler's path).
set(VT_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${VT_HOST_HEADERS})
if(NOT EXISTS ${VT_HOST_HEADERS}/nlohmann)
  if(NOT EXISTS /usr/include/nlohmann/json.hpp)
    message(FATAL_ERROR "nlohmann/json headers missing: install nlohmann-json3-dev")
  endif()
  file(CREATE_LINK /usr/include/nlohmann ${VT_HOST_HEADERS}/nlohmann SYMBOLIC)
endif()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${VT_HOST_HEADERS})
