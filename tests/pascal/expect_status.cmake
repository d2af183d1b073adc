# Runs RUNNER on SCRIPT and fails unless it exits with STATUS.
execute_process(COMMAND ${RUNNER} ${SCRIPT} RESULT_VARIABLE status OUTPUT_VARIABLE out)
if(NOT status EQUAL STATUS)
  message(FATAL_ERROR "exit status ${status}, expected ${STATUS}:\n${out}")
endif()
