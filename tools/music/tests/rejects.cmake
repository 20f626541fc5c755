# Run by ctest: checks that compose and musiccheck turn away bad input.
file(MAKE_DIRECTORY ${WORK})

execute_process(COMMAND ${COMPOSE} ${SOURCE}/miscounted.txt ${WORK}/miscounted.wav
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(rc EQUAL 0 OR NOT err MATCHES "bar 2 of voice 'lead' has 5 beats, expected 4")
  message(FATAL_ERROR "compose accepted a miscounted bar (rc=${rc}): ${err}")
endif()

execute_process(COMMAND ${COMPOSE} ${SOURCE}/short.txt ${WORK}/short.wav RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "compose failed on a valid short score")
endif()
execute_process(COMMAND ${MUSICCHECK} ${WORK}/short.wav
  RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(rc EQUAL 0 OR NOT out MATCHES "FAIL: shorter than 30 s\n" OR NOT out MATCHES "clipped: +0 ")
  message(FATAL_ERROR "musiccheck did not reject a 10 s piece for its length alone:\n${out}")
endif()
