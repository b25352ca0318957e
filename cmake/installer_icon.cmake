# The installer's icon: our SVG artwork rendered at the seven sizes the window and
# the executable use, packed as PNG images into one ICO file, then compiled in.
find_program(QUILLMAR_RSVG_CONVERT rsvg-convert)
find_program(QUILLMAR_ICOTOOL icotool)
if(NOT QUILLMAR_RSVG_CONVERT OR NOT QUILLMAR_ICOTOOL)
  message(FATAL_ERROR "rsvg-convert and icotool are missing: run tools/setup first")
endif()

set(QUILLMAR_ICON_SIZES 16 24 32 48 64 128 256)
set(QUILLMAR_ICON_SVG ${PROJECT_SOURCE_DIR}/src/main/icon/quillmar-icon.svg)
set(QUILLMAR_ICON_FOLDER ${CMAKE_BINARY_DIR}/generated/icon)
set(QUILLMAR_ICON_ICO ${QUILLMAR_ICON_FOLDER}/quillmar.ico)
file(MAKE_DIRECTORY ${QUILLMAR_ICON_FOLDER})

set(render_commands "")
set(raw_images "")
foreach(size IN LISTS QUILLMAR_ICON_SIZES)
  set(png ${QUILLMAR_ICON_FOLDER}/quillmar-${size}.png)
  list(APPEND render_commands COMMAND ${QUILLMAR_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${QUILLMAR_ICON_SVG})
  # --raw keeps each image as PNG inside the ICO, as the window icon reader expects.
  list(APPEND raw_images --raw=${png})
endforeach()

add_custom_command(
  OUTPUT ${QUILLMAR_ICON_ICO}
  ${render_commands}
  COMMAND ${QUILLMAR_ICOTOOL} -c -o ${QUILLMAR_ICON_ICO} ${raw_images}
  DEPENDS ${QUILLMAR_ICON_SVG}
  COMMENT "Rendering the installer icon"
  VERBATIM)

add_custom_command(
  OUTPUT ${QUILLMAR_ICON_FOLDER}/embedded_icon.cpp
  COMMAND ${CMAKE_COMMAND} -D KIND=icon -D FILE=${QUILLMAR_ICON_ICO} -D OUTPUT=${QUILLMAR_ICON_FOLDER}/embedded_icon.cpp
          -P ${PROJECT_SOURCE_DIR}/cmake/embed_files.cmake
  DEPENDS ${QUILLMAR_ICON_ICO} ${PROJECT_SOURCE_DIR}/cmake/embed_files.cmake
  COMMENT "Embedding the installer icon"
  VERBATIM)
