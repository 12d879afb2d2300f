# cmake -DGRADE=<mox77-grade> -DEXERCISE=<folder> -P grade_exercise.cmake
get_filename_component(name ${EXERCISE} NAME)
foreach(file task.md start.asm solution.asm expected.json)
  if(NOT EXISTS ${EXERCISE}/${file})
    message(FATAL_ERROR "${name}: ${file} is missing")
  endif()
endforeach()
set(init)
if(EXISTS ${EXERCISE}/init.json)
  set(init --init ${EXERCISE}/init.json)
endif()

# Grades one file; sets status (the exit status), assembled (ON or OFF) and
# report (everything the grader wrote).
function(grade file)
  execute_process(
    COMMAND ${GRADE} --expect ${EXERCISE}/expected.json ${init} --json ${EXERCISE}/${file}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(JSON done ERROR_VARIABLE bad GET "${out}" submissions 0 assembled)
  if(bad)
    set(done OFF)
  endif()
  set(status "${code}" PARENT_SCOPE)
  set(assembled "${done}" PARENT_SCOPE)
  set(report "${out}${err}" PARENT_SCOPE)
endfunction()

grade(solution.asm)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${name}: solution.asm must pass (exit 0), got exit ${status}:\n${report}")
endif()

grade(start.asm)
if(NOT assembled)
  message(FATAL_ERROR "${name}: start.asm must assemble:\n${report}")
endif()
if(NOT status EQUAL 3)
  message(FATAL_ERROR "${name}: start.asm must fail (exit 3), got exit ${status}:\n${report}")
endif()
