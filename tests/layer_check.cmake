# Reads the #include lines of the program's folders and fails when
#  - a folder includes a folder above it in the layer order, or
#  - a logic file (outside ui/) includes a ui/ header or a Qt header.
# Run by ctest as: cmake -DROOT=<source dir> -P layer_check.cmake
set(order platform core geo acquire pages exchange shell)
set(order_text "platform -> core -> geo -> acquire -> pages -> exchange -> shell")

set(faults "")
foreach(folder IN LISTS order)
  list(FIND order ${folder} rank)
  file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(src IN LISTS sources)
    # ui/ files are windows; main.cpp is the program itself, not the library.
    set(is_logic TRUE)
    if(src MATCHES "/ui/" OR src MATCHES "^${folder}/main\\.cpp$")
      set(is_logic FALSE)
    endif()
    file(STRINGS ${ROOT}/${src} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
      if(header MATCHES "^([a-z_]+)/")
        set(target ${CMAKE_MATCH_1})
        list(FIND order ${target} target_rank)
        if(target_rank GREATER rank)
          string(APPEND faults "  ${src}: includes ${header} (${folder} is below ${target})\n")
        endif()
        if(is_logic AND target_rank GREATER -1 AND header MATCHES "^[a-z_]+/(.*/)?ui/")
          string(APPEND faults "  ${src}: logic includes the window header ${header}\n")
        endif()
      elseif(is_logic AND header MATCHES "^Q[A-Za-z]")
        string(APPEND faults "  ${src}: logic includes the Qt header <${header}> (windows belong in ui/)\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Layer order ${order_text} (a folder includes only itself and folders to its left; "
                      "logic outside ui/ includes no ui/ header and no Qt):\n${faults}")
endif()
message(STATUS "Includes follow the layer order ${order_text}")
