# The resources of VORTELLA.SCR: its icon, the picture the Linux package's
# icon shows, its help page and its version. The icon is drawn by vtl, so this build
# first builds the project for the build machine (build folder host/, tools
# only: no tests) and has it render and pack the icon; that build needs the
# Linux build's libraries (scripts/deps) and icotool (icoutils).
include(ExternalProject)
set(host_dir ${CMAKE_BINARY_DIR}/host)
set(VT_ICO ${host_dir}/packaging/icons/vortella.ico)
ExternalProject_Add(vortella_host
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${host_dir}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DVT_TESTS=OFF -DVT_BENCH=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${host_dir} --target vortella_ico
  BUILD_BYPRODUCTS ${VT_ICO}
  # Its own build decides whether anything changed.
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")

# The numbers of the version resource: major, minor, patch, 0.
foreach(part MAJOR MINOR PATCH)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    set(VT_VERSION_${part} 0)
  else()
    set(VT_VERSION_${part} ${PROJECT_VERSION_${part}})
  endif()
endforeach()
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) [^\n]+" VT_COPYRIGHT_LINE "${license}")
set(VT_HELP_PAGE ${PROJECT_SOURCE_DIR}/docs/help.html)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/vortella.rc.in ${CMAKE_CURRENT_BINARY_DIR}/vortella.rc @ONLY)

target_sources(vortella_scr PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/vortella.rc)
# windres reports no dependencies: the icon and the help page are named by
# hand.
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/vortella.rc TARGET_DIRECTORY vortella_scr
                            PROPERTIES OBJECT_DEPENDS "${VT_ICO};${VT_HELP_PAGE}")
add_dependencies(vortella_scr vortella_host)
