# The web view's static files: our pages, style and script from web/, and the pinned chart library
# (uPlot from npm, installed into web/node_modules by scripts/install-deps.sh), put together in one
# folder beside the programs, where the logger finds them as it finds its other resources.
set(DEDEZUVIV_WEB_BUILD_DIR ${CMAKE_BINARY_DIR}/web)
set(DEDEZUVIV_WEB_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/web/index.html
  ${CMAKE_CURRENT_SOURCE_DIR}/web/charts.html
  ${CMAKE_CURRENT_SOURCE_DIR}/web/style.css
  ${CMAKE_CURRENT_SOURCE_DIR}/web/dedezuviv.js)
set(DEDEZUVIV_UPLOT_DIR ${CMAKE_CURRENT_SOURCE_DIR}/web/node_modules/uplot/dist)
set(DEDEZUVIV_WEB_LIBRARY ${DEDEZUVIV_UPLOT_DIR}/uPlot.iife.min.js ${DEDEZUVIV_UPLOT_DIR}/uPlot.min.css)
foreach(file ${DEDEZUVIV_WEB_LIBRARY})
  if(NOT EXISTS ${file})
    message(WARNING "${file} fehlt: scripts/install-deps.sh installiert die Grafikbibliothek der Webansicht")
  endif()
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/web.stamp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DEDEZUVIV_WEB_BUILD_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${DEDEZUVIV_WEB_SOURCES} ${DEDEZUVIV_WEB_LIBRARY} ${DEDEZUVIV_WEB_BUILD_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${DEDEZUVIV_UPLOT_DIR}/../LICENSE ${DEDEZUVIV_WEB_BUILD_DIR}/uPlot.LICENSE
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/data/desktop/dedezuviv.svg
    ${DEDEZUVIV_WEB_BUILD_DIR}/favicon.svg
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/web.stamp
  DEPENDS ${DEDEZUVIV_WEB_SOURCES} ${DEDEZUVIV_WEB_LIBRARY} ${CMAKE_CURRENT_SOURCE_DIR}/data/desktop/dedezuviv.svg)
add_custom_target(dedezuviv_web ALL DEPENDS ${CMAKE_BINARY_DIR}/web.stamp)
add_dependencies(dedezuviv dedezuviv_web)
