# Quillmark's Win32 resources: images generated from the text art, then the resource script
# compiled into an object library that the program and the tests link.

set(QM_ART_DIR ${CMAKE_CURRENT_SOURCE_DIR}/resources/art)
set(QM_IMAGES_DIR ${QM_GENERATED_DIR}/resources)
file(GLOB_RECURSE qm_art_files CONFIGURE_DEPENDS ${QM_ART_DIR}/*.txt)
set(qm_images
  ${QM_IMAGES_DIR}/toolbar.bmp
  ${QM_IMAGES_DIR}/tab-close.bmp
  ${QM_IMAGES_DIR}/ftp-save.bmp
  ${QM_IMAGES_DIR}/ftp-delete.bmp
  ${QM_IMAGES_DIR}/quillmark.ico
  ${QM_IMAGES_DIR}/document.ico
  ${QM_IMAGES_DIR}/logo.wmf)

add_custom_command(OUTPUT ${qm_images}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make_images.py ${QM_ART_DIR} ${QM_IMAGES_DIR}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_images.py ${qm_art_files}
  COMMENT "Drawing Quillmark's bitmaps, icons and logo"
  VERBATIM)
add_custom_target(quillmark_images DEPENDS ${qm_images})

add_library(quillmark_resources OBJECT resources/Quillmark.rc)
target_include_directories(quillmark_resources PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/resources ${QM_IMAGES_DIR})
set_source_files_properties(resources/Quillmark.rc PROPERTIES OBJECT_DEPENDS
  "${qm_images};${CMAKE_CURRENT_SOURCE_DIR}/resources/Resource.h;${CMAKE_CURRENT_SOURCE_DIR}/resources/Quillmark.manifest")
add_dependencies(quillmark_resources quillmark_images)
