# cmake -DSOURCE=... -DOUTPUT=....gz [-DSCDOC=scdoc -DROFF=...] -DGZIP=gzip -P gzip_doc.cmake
# Writes SOURCE to OUTPUT gzipped as Debian keeps documents: -9, and -n (no name or time inside,
# so that the same sources give the same package). With SCDOC, SOURCE is a manual page in scdoc,
# made into roff (kept as ROFF, for man -l) first.
if(SCDOC)
  execute_process(COMMAND ${SCDOC} INPUT_FILE ${SOURCE} OUTPUT_FILE ${ROFF} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    file(REMOVE ${ROFF})
    message(FATAL_ERROR "scdoc could not read ${SOURCE}")
  endif()
  set(SOURCE ${ROFF})
endif()
execute_process(COMMAND ${GZIP} -9 -n -c ${SOURCE} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip could not compress ${SOURCE}")
endif()
