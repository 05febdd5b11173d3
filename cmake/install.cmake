# Installation: the library with its public headers, the optional stand-in
# host, the abimport tool, a CMake package (abimport::abimport and
# abimport::abimport_host) and pkg-config files. Everything goes to
# ${prefix}/include/abimport, ${libdir}, ${bindir}, ${libdir}/cmake/abimport and
# ${libdir}/pkgconfig; the CMake package and the .pc files are relocatable, so
# `cmake --install <build> --prefix <dir>` may pick the prefix at install time.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ABIMPORT_INCLUDE_ROOT ${CMAKE_INSTALL_INCLUDEDIR}/abimport)
set(ABIMPORT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/abimport)
set(ABIMPORT_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# What a host needs to build against the library: the card model, the host
# interface, the import functions, the keyword table with the importer frame
# (for a host that adds a keyword of its own) and the version. The library's
# importer classes and the text and number helpers stay private to it.
set(ABIMPORT_PUBLIC_HEADERS
  model/export.h model/object.h model/data.h model/card.h
  frame/dataline.h frame/hostinterface.h frame/readobserver.h frame/version.h
  frame/carddescription.h frame/importbase.h
  keywords/importfunctions.h keywords/keywordtable.h keywords/idkinds.h)
set(ABIMPORT_HOST_HEADERS host/deckimport.h host/hostcalls.h host/keywordtitles.h
  host/includefiles.h host/linepieces.h host/readchecks.h host/sourcefile.h host/warning.h
  host/modelcheck.h host/idset.h host/fileendstream.h host/parametersubstitution.h
  host/parametertable.h)

# The headers include each other as "../model/card.h", so each keeps its
# subfolder under include/abimport.
foreach(header IN LISTS ABIMPORT_PUBLIC_HEADERS ABIMPORT_HOST_HEADERS)
  get_filename_component(subfolder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header}
          DESTINATION ${ABIMPORT_INCLUDE_ROOT}/${subfolder} COMPONENT development)
endforeach()

# The headers use C++17 (inline static constants); hosts get it from the target.
target_compile_features(abimport PUBLIC cxx_std_17)

# Installed binaries find the installed libraries through a run path relative
# to their own folder (the libraries stay relocatable with the prefix).
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(ABIMPORT_TOOL_RPATH "${CMAKE_INSTALL_LIBDIR}")
else()
  file(RELATIVE_PATH ABIMPORT_BIN_TO_LIB
       /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${CMAKE_INSTALL_LIBDIR})
  set(ABIMPORT_TOOL_RPATH "$ORIGIN/${ABIMPORT_BIN_TO_LIB}")
endif()
set_target_properties(abimport_host PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS abimport abimport_host EXPORT abimportTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
          COMPONENT runtime NAMELINK_COMPONENT development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(TARGET abimport_cli)
  set_target_properties(abimport_cli PROPERTIES INSTALL_RPATH "${ABIMPORT_TOOL_RPATH}")
  install(TARGETS abimport_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
endif()

install(EXPORT abimportTargets NAMESPACE abimport:: FILE abimportTargets.cmake
        DESTINATION ${ABIMPORT_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/abimportConfig.cmake.in
  ${PROJECT_BINARY_DIR}/abimportConfig.cmake INSTALL_DESTINATION ${ABIMPORT_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/abimportConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/abimportConfig.cmake
              ${PROJECT_BINARY_DIR}/abimportConfigVersion.cmake
        DESTINATION ${ABIMPORT_CMAKE_DIR} COMPONENT development)

# pkg-config: the prefix is found from the .pc file's own folder. A libdir or
# includedir given as an absolute path is written as it is.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(ABIMPORT_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH ABIMPORT_PC_TO_PREFIX /prefix/${ABIMPORT_PKGCONFIG_DIR} /prefix)
  string(REGEX REPLACE "/$" "" ABIMPORT_PC_TO_PREFIX "${ABIMPORT_PC_TO_PREFIX}")
  set(ABIMPORT_PC_PREFIX "\${pcfiledir}/${ABIMPORT_PC_TO_PREFIX}")
endif()
function(abimport_pc_dir out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
abimport_pc_dir(ABIMPORT_PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
abimport_pc_dir(ABIMPORT_PC_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})

# One .pc file per installed library: name, description, link flag, requires.
function(abimport_pkgconfig name description lib requires)
  set(PC_NAME ${name})
  set(PC_DESCRIPTION ${description})
  set(PC_LIB ${lib})
  set(PC_REQUIRES ${requires})
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/abimport.pc.in
                 ${PROJECT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${name}.pc
          DESTINATION ${ABIMPORT_PKGCONFIG_DIR} COMPONENT development)
endfunction()
abimport_pkgconfig(abimport "${PROJECT_DESCRIPTION}" abimport "")
abimport_pkgconfig(abimport-host "Stand-in host for the airbag keyword import library"
                   abimport_host "abimport = ${PROJECT_VERSION}")
