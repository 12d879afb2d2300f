# cmake -DGRADE=<mox77-grade> -DEXERCISE=<folder> -P grade_exercise.cmake
get_filename_component(name ${EXERCISE} NAME)
foreach(file task.md start.asm solution.asm expected.json)
  if(NOT EXISTS ${EXERCISE}/${file})
    message(FATAL_ERROR "${name}: ${file} is missing")
  endif()
endforeach()

# Grades one file against one start and its expected state (suffix "" or
# "2"); sets status (the exit status), assembled (ON or OFF) and report
# (everything the grader wrote).
function(grade file suffix)
  set(init)
  if(EXISTS ${EXERCISE}/init${suffix}.json)
    set(init --init ${EXERCISE}/init${suffix}.json)
  endif()
  execute_process(
    COMMAND ${GRADE} --expect ${EXERCISE}/expected${suffix}.json ${init} --json ${EXERCISE}/${file}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(JSON done ERROR_VARIABLE bad GET "${out}" submissions 0 assembled)
  if(bad)
    set(done OFF)
  endif()
  set(status "${code}" PARENT_SCOPE)
  set(assembled "${done}" PARENT_SCOPE)
  set(report "${out}${err}" PARENT_SCOPE)
endfunction()

# A second start, where there is one, must come with its expected state and
# give the solution's answer too.
set(starts "")
if(EXISTS ${EXERCISE}/init2.json OR EXISTS ${EXERCISE}/expected2.json)
  foreach(file init2.json expected2.json)
    if(NOT EXISTS ${EXERCISE}/${file})
      message(FATAL_ERROR "${name}: ${file} is missing")
    endif()
  endforeach()
  list(APPEND starts 2)
endif()
foreach(suffix "" ${starts})
  grade(solution.asm "${suffix}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR
            "${name}: solution.asm must pass expected${suffix}.json (exit 0), got exit ${status}:\n${report}")
  endif()
endforeach()

grade(start.asm "")
if(NOT assembled)
  message(FATAL_ERROR "${name}: start.asm must assemble:\n${report}")
endif()
if(NOT status EQUAL 3)
  message(FATAL_ERROR "${name}: start.asm must fail (exit 3), got exit ${status}:\n${report}")
endif()
