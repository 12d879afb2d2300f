# Fails when a source of the core includes file, process or terminal code:
# the core must build for the browser, where none of it exists. Fails too
# when its code names a window, dialog, button or display: the core returns
# what happened and each front end shows it.
# cmake -DSOURCES="a.cpp;b.h" -P platform_free.cmake
set(forbidden
  "<unistd.h>" "<fcntl.h>" "<sys/" "<dirent.h>" "<csignal>" "<signal.h>" "<termios.h>"
  "<filesystem>" "<fstream>" "<iostream>" "\"files.h\"" "\"undo_on_stop.h\""
  "\"program_file.h\"" "\"state_file.h\"" "\"driver.h\"")
set(failed "")
foreach(file IN LISTS SOURCES)
  file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    foreach(bad IN LISTS forbidden)
      string(FIND "${line}" "${bad}" at)
      if(NOT at EQUAL -1)
        string(APPEND failed "${file}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
foreach(file IN LISTS SOURCES)
  file(STRINGS ${file} lines REGEX "(Window|Dialog|Button|Display)")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[ \t]*//")
      string(APPEND failed "${file}: ${line}\n")
    endif()
  endforeach()
endforeach()
if(failed)
  message(FATAL_ERROR "platform or window code in the core:\n${failed}")
endif()
