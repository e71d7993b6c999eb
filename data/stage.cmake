# Data files of the program directory, made at build time from the readable sources in data/.

# db/bookset.dat: the site rule file, packed from data/rules/*.txt.
file(GLOB MOZHOU_RULE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/rules/*.txt)
set(MOZHOU_RULE_FILE ${MOZHOU_PROGRAM_DIR}/db/bookset.dat)
add_custom_command(OUTPUT ${MOZHOU_RULE_FILE}
  COMMAND mozhou-pack-rules -o ${MOZHOU_RULE_FILE} ${MOZHOU_RULE_SOURCES}
  DEPENDS mozhou-pack-rules ${MOZHOU_RULE_SOURCES}
  COMMENT "Packing db/bookset.dat"
  VERBATIM)
add_custom_target(stage_rules ALL DEPENDS ${MOZHOU_RULE_FILE})
add_dependencies(stage_rules stage_program)
