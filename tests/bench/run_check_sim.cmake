# 200 logs of a fixed seed through the checker; the figures' exit status decides.
file(REMOVE_RECURSE ${WORK})
foreach(step
    "${SIM};--logs;200;--seed;11;--out;${WORK}"
    "${CHECK};--out;${WORK}/results;${WORK}/logs"
    "${FIGURES};${WORK}/truth.tsv;${WORK}/results/qsos.tsv")
  execute_process(COMMAND ${step} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(JOIN step " " command)
    message(FATAL_ERROR "${command}: exit status ${status}")
  endif()
endforeach()
