# The version of CMakeLists.txt and, in a git checkout, the commit the programs are built from: one
# generated source of the base library, rewritten on every build only when the commit changes (so a
# new commit recompiles that one file and relinks).
find_package(Git QUIET)
set(DEDEZUVIV_BUILD_INFO_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/generated/BuildInfoValues.cpp)
set(DEDEZUVIV_BUILD_INFO_ARGS
  -DVERSION=${PROJECT_VERSION}
  -DSOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR}
  -DGIT_EXECUTABLE=${GIT_EXECUTABLE}
  -DOUTPUT=${DEDEZUVIV_BUILD_INFO_SOURCE}
  -P ${CMAKE_CURRENT_LIST_DIR}/WriteBuildInfo.cmake)
# Once at configure time, so that the file exists for the first build.
execute_process(COMMAND ${CMAKE_COMMAND} ${DEDEZUVIV_BUILD_INFO_ARGS})
add_custom_target(dedezuviv_build_info
  COMMAND ${CMAKE_COMMAND} ${DEDEZUVIV_BUILD_INFO_ARGS}
  BYPRODUCTS ${DEDEZUVIV_BUILD_INFO_SOURCE}
  COMMENT "Version and git commit of the build"
  VERBATIM)
target_sources(dedezuviv_base PRIVATE ${DEDEZUVIV_BUILD_INFO_SOURCE})
add_dependencies(dedezuviv_base dedezuviv_build_info)
