# Fails unless the commands that build PROGRAM in the Ninja build BUILD compile the catalogues.
execute_process(COMMAND ${NINJA} -C ${BUILD} -t commands ${PROGRAM}
  OUTPUT_VARIABLE commands ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NINJA} -t commands ${PROGRAM}: ${errors}")
endif()
if(NOT commands MATCHES "LC_MESSAGES/marlit\\.mo")
  message(FATAL_ERROR "A build of ${PROGRAM} alone makes no catalogue")
endif()
