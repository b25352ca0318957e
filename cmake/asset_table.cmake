# The page the installer shows, compiled into the executable as an ordered table:
# the four page files, then the icons in the order the page's table lists them.

# Where the icon set's SVG files come from: the npm package that tools/setup installs.
set(QUILLMAR_ICON_SOURCE "${PROJECT_SOURCE_DIR}/node_modules/lucide-static/icons"
    CACHE PATH "Folder holding the icon set's SVG files (lucide-static)")

# quillmar_asset_table(NAME WEB_DIR <folder> [WITH_ICONS])
#
# Makes the static library NAME that defines embedded_assets() from the files in
# WEB_DIR. With WITH_ICONS, the build first copies the icons from the icon set into
# WEB_DIR/assets/icons (where the page's own tests find them too).
#
# A missing file fails the configure step: an installer without its whole page must
# not be built at all.
function(quillmar_asset_table name)
  cmake_parse_arguments(arg "WITH_ICONS" "WEB_DIR" "" ${ARGN})
  set(page_files index.html installer.js quillmar-ui.css quillmar-ui.js)
  set(page_icons
    arrow-left arrow-right badge-check bell check chevron-down chevron-up circle-alert
    circle-check circle-small clock copy download folder-open info loader-circle minus
    moon package power refresh-cw rocket settings shield-check sun triangle-alert x)

  set(manifest "")
  set(depends "")
  set(copy_commands "")
  set(missing "")
  foreach(file IN LISTS page_files)
    if(EXISTS "${arg_WEB_DIR}/${file}")
      string(APPEND manifest "${file}|${arg_WEB_DIR}/${file}\n")
      list(APPEND depends "${arg_WEB_DIR}/${file}")
    else()
      list(APPEND missing "${arg_WEB_DIR}/${file}")
    endif()
  endforeach()

  if(arg_WITH_ICONS)
    foreach(icon IN LISTS page_icons)
      set(source "${QUILLMAR_ICON_SOURCE}/${icon}.svg")
      set(copy "${arg_WEB_DIR}/assets/icons/${icon}.svg")
      if(EXISTS "${source}")
        string(APPEND manifest "assets/icons/${icon}.svg|${copy}\n")
        list(APPEND depends "${source}")
        list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different "${source}" "${copy}")
      else()
        list(APPEND missing "${source}")
      endif()
    endforeach()
  endif()

  if(missing)
    list(JOIN missing "\n  " missing_text)
    message(FATAL_ERROR "The asset table ${name} lacks files the page needs "
                        "(run tools/setup for the icon set, which comes from the page's npm packages):\n  ${missing_text}")
  endif()

  # A page file added later (a merge) changes the folder: configure again then.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${arg_WEB_DIR}")

  set(folder "${CMAKE_CURRENT_BINARY_DIR}/generated/${name}")
  file(MAKE_DIRECTORY "${folder}")
  file(CONFIGURE OUTPUT "${folder}/manifest.txt" CONTENT "${manifest}")
  add_custom_command(
    OUTPUT "${folder}/asset_table.cpp"
    ${copy_commands}
    COMMAND ${CMAKE_COMMAND} -D KIND=assets -D "MANIFEST=${folder}/manifest.txt" -D "OUTPUT=${folder}/asset_table.cpp"
            -P "${PROJECT_SOURCE_DIR}/cmake/embed_files.cmake"
    DEPENDS ${depends} "${folder}/manifest.txt" "${PROJECT_SOURCE_DIR}/cmake/embed_files.cmake"
    COMMENT "Embedding the page files of ${name}"
    VERBATIM)
  add_library(${name} STATIC "${folder}/asset_table.cpp")
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/src")
endfunction()
