# Generates the PHP function table from src/php/data/php-functions.tsv at build time; the
# generator refuses data that breaks the table's rules, which stops the build.

set(qm_catalog_data ${CMAKE_CURRENT_SOURCE_DIR}/php/data/php-functions.tsv)
set(qm_catalog_generator ${PROJECT_SOURCE_DIR}/tools/gen_catalog.py)
set(qm_catalog_table ${QM_GENERATED_DIR}/PhpCatalogTable.cpp)

add_custom_command(OUTPUT ${qm_catalog_table}
  COMMAND ${Python3_EXECUTABLE} ${qm_catalog_generator} ${qm_catalog_data} ${qm_catalog_table}
  DEPENDS ${qm_catalog_data} ${qm_catalog_generator}
  COMMENT "Generating the PHP function table"
  VERBATIM)

list(APPEND QM_GENERATED_SOURCES ${qm_catalog_table})
